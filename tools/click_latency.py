#!/usr/bin/env python3
"""Click feed and click delay analysis for tools/measure_latency.sh (raw s16le mono 8000 Hz).

  click_latency.py make OUT [--clicks N] [--spacing-ms S]
      silence, then N tone bursts (10 ms of 1 kHz, sharp onset) S ms apart, then silence.
      Click k comes k/N of a 62.5 ms block later than the spacing alone would put it, so the
      clicks sample every phase of the participant's capture block.
  click_latency.py measure MIC OUT [--mic2 MIC2] [--clicks N] [--spacing-ms S]
      finds the click onsets in the microphone and the output recordings (started together)
      and prints the delay of each click from one to the other, and their median, min, max.
      MIC2, a second recording of the microphone started together with the other two,
      shows how far apart the starts of recordings started together lie.
Exit status 1 when fewer than half of the clicks come through.
"""

import argparse
import array
import math
import statistics
import sys

RATE = 8000
LEAD_MS = 1000
TAIL_MS = 1000
BURST_MS = 10
BURST_HZ = 1000
BURST_AMPLITUDE = 16000
QUIET_MS = 300  # an onset needs this much quiet before it


def make(path, clicks, spacing_ms):
    samples = array.array("h", bytes(2 * (LEAD_MS + clicks * spacing_ms + TAIL_MS) * RATE // 1000))
    burst = [round(BURST_AMPLITUDE * math.sin(2 * math.pi * BURST_HZ * n / RATE))
             for n in range(BURST_MS * RATE // 1000)]
    # Sine phase 0 starts at zero: shift by a quarter period so the first sample is the peak.
    burst = burst[RATE // BURST_HZ // 4:] + burst[:RATE // BURST_HZ // 4]
    for click in range(clicks):
        # Each click lands at another point of the 500-sample capture block.
        start = (LEAD_MS + click * spacing_ms) * RATE // 1000 + click * 500 // clicks
        samples[start:start + len(burst)] = array.array("h", burst)
    if sys.byteorder != "little":
        samples.byteswap()
    with open(path, "wb") as out:
        out.write(samples.tobytes())


def read(path):
    samples = array.array("h")
    with open(path, "rb") as raw:
        data = raw.read()
    samples.frombytes(data[:len(data) // 2 * 2])
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def onsets(samples):
    """Sample indices where the signal rises above the threshold after QUIET_MS of quiet."""
    peak = max((abs(s) for s in samples), default=0)
    threshold = max(300, peak // 10)
    quiet = QUIET_MS * RATE // 1000
    found = []
    last_loud = -quiet
    for index, sample in enumerate(samples):
        if abs(sample) >= threshold:
            if index - last_loud >= quiet:
                found.append(index)
            last_loud = index
    return found


def pair(earlier, later, window):
    """For each onset of earlier, the delay in samples to the first onset of later within window."""
    delays = []
    for start in earlier:
        following = [t for t in later if start <= t < start + window]
        if following:
            delays.append(following[0] - start)
    return delays


def ms(samples):
    return samples * 1000.0 / RATE


def summary(delays):
    return (f"median {ms(statistics.median(delays)):.1f} ms, min {ms(min(delays)):.1f} ms, "
            f"max {ms(max(delays)):.1f} ms over {len(delays)} clicks")


def measure(mic_path, out_path, mic2_path, spacing_ms, expected):
    window = spacing_ms * RATE // 1000
    mic = onsets(read(mic_path))
    out = onsets(read(out_path))
    delays = pair(mic, out, window)
    print(f"clicks: {len(mic)} in the microphone, {len(out)} in the output, {len(delays)} paired")
    if mic2_path:
        # Two recordings of the same source: their onsets differ only by the start skew.
        mic2 = onsets(read(mic2_path))
        if len(mic2) == len(mic):
            skews = [b - a for a, b in zip(mic, mic2)]
            print(f"  start skew of two recordings of the microphone started together: "
                  f"{ms(min(skews)):+.3f} .. {ms(max(skews)):+.3f} ms")
        else:
            print("  start skew: the two microphone recordings do not hold the same clicks")
    if len(delays) < max(1, expected // 2):
        print(f"error: only {len(delays)} of {expected} clicks came through", file=sys.stderr)
        return 1
    print("  delays (ms): " + " ".join(f"{ms(d):.1f}" for d in delays))
    print(f"  mouth-to-ear delay: {summary(delays)}")
    return 0


def main():
    parser = argparse.ArgumentParser(description="click feed and click delay analysis (s16le, 8000 Hz, mono)")
    commands = parser.add_subparsers(dest="command", required=True)
    make_args = commands.add_parser("make")
    make_args.add_argument("out")
    make_args.add_argument("--clicks", type=int, default=10)
    make_args.add_argument("--spacing-ms", type=int, default=1500)
    measure_args = commands.add_parser("measure")
    measure_args.add_argument("mic")
    measure_args.add_argument("out")
    measure_args.add_argument("--mic2")
    measure_args.add_argument("--clicks", type=int, default=10)
    measure_args.add_argument("--spacing-ms", type=int, default=1500)
    args = parser.parse_args()
    if args.command == "make":
        make(args.out, args.clicks, args.spacing_ms)
        return 0
    return measure(args.mic, args.out, args.mic2, args.spacing_ms, args.clicks)


if __name__ == "__main__":
    sys.exit(main())
