#!/usr/bin/env python3
"""Click feed and click delay analysis for tools/measure_latency.sh (raw s16le mono 8000 Hz).

  click_latency.py make OUT [--clicks N] [--spacing-ms S] [--murmur]
      silence, then N tone bursts (10 ms, sharp onset) S ms apart, then silence. Click k has
      the k mod 4th of four pitches, so that a delay longer than the spacing (up to two) is
      not taken for a short one after the previous click. Click k comes k/N of a 62.5 ms
      block later than the spacing alone would put it, so the clicks sample every phase of
      the participant's capture block. With --murmur a quiet 250 Hz tone runs under the
      clicks from start to end, so that a gap in the output shows.
  click_latency.py condition NAME MIC OUT CSV [--clicks N] [--spacing-ms S]
      for one impaired run with --murmur: one line with the median and p95 delay, the gaps
      (murmur missing for more than 10 ms) a minute, the delay near 10 s and at the end, and
      after the longest gap (a stall) how long until the delay is back within 20 ms of before;
      each click's time and delay go to CSV.
  click_latency.py plot PNG TITLE DIR [DIR]
      one panel per condition of the CSVs in DIR (and a second series from the second DIR).
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
# Pitches far apart for the 10 ms a burst lasts (100 Hz resolution), below the 4 kHz limit.
BURST_HZ = (1000, 1400, 2000, 700)
BURST_AMPLITUDE = 16000
QUIET_MS = 300  # an onset needs this much quiet before it
MURMUR_HZ = 250
MURMUR_AMPLITUDE = 500
GAP_LEVEL = 100  # the murmur is missing where samples stay below this
GAP_MS = 10
# No sample is heard sooner than one capture block (62.5 ms) after it was recorded: the
# block is sent when its last sample is in.
FRAME_MS = 62.5


def make(path, clicks, spacing_ms, murmur):
    samples = array.array("h", bytes(2 * (LEAD_MS + clicks * spacing_ms + TAIL_MS) * RATE // 1000))
    if murmur:
        for n in range(len(samples)):
            samples[n] = round(MURMUR_AMPLITUDE * math.sin(2 * math.pi * MURMUR_HZ * n / RATE))
    for click in range(clicks):
        # A cosine: the first sample is the peak, a sharp onset.
        burst = [round(BURST_AMPLITUDE * math.cos(2 * math.pi * BURST_HZ[click % len(BURST_HZ)] * n / RATE))
                 for n in range(BURST_MS * RATE // 1000)]
        # Each click lands at another point of the 500-sample capture block.
        start = (LEAD_MS + click * spacing_ms) * RATE // 1000 + click * 500 // clicks
        samples[start:start + len(burst)] = array.array("h", [b + samples[start + i] for i, b in enumerate(burst)])
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


def pitch(samples, onset):
    """Which of BURST_HZ the burst starting at onset has: the strongest over its length."""
    burst = samples[onset:onset + BURST_MS * RATE // 1000]

    def power(hz):
        # Goertzel: the energy of one frequency over the burst.
        coefficient = 2 * math.cos(2 * math.pi * hz / RATE)
        before = earlier = 0.0
        for sample in burst:
            before, earlier = sample + coefficient * before - earlier, before
        return before * before + earlier * earlier - coefficient * before * earlier

    powers = [power(hz) for hz in BURST_HZ]
    return powers.index(max(powers))


def match(mic_samples, mic, out_samples, out, spacing):
    """(mic onset, delay in samples) for each microphone click heard in the output: the first
    output onset of the same pitch from one block after it to two spacings later. Pitches
    repeat every four clicks, so a delay of up to two spacings is not mistaken for a shorter
    one, and a click missing in the output is missing, not matched to the next one."""
    first = round(FRAME_MS * RATE / 1000)
    window = 2 * spacing
    out_pitches = [pitch(out_samples, t) for t in out]
    pairs = []
    for start in mic:
        wanted = pitch(mic_samples, start)
        for t, heard in zip(out, out_pitches):
            if t >= start + first + window:
                break
            if t >= start + first and heard == wanted:
                pairs.append((start, t - start))
                break
    return pairs


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


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def gaps(samples, start, end):
    """(start, length) in samples of each stretch of start..end where the murmur is missing."""
    found = []
    run = 0
    for index in range(start, min(end, len(samples))):
        if abs(samples[index]) < GAP_LEVEL:
            run += 1
        else:
            if run > GAP_MS * RATE // 1000:
                found.append((index - run, run))
            run = 0
    return found


def near(timed, at, width):
    """Median delay of the clicks within width seconds of at, or None."""
    chosen = [d for t, d in timed if abs(t - at) <= width]
    return statistics.median(chosen) if chosen else None


def condition(name, mic_path, out_path, csv_path, spacing_ms, expected):
    mic_samples = read(mic_path)
    mic = onsets(mic_samples)
    out_samples = read(out_path)
    out = onsets(out_samples)
    timed = [((start - mic[0]) / RATE, ms(delay))
             for start, delay in match(mic_samples, mic, out_samples, out, spacing_ms * RATE // 1000)]
    if len(timed) < max(1, expected // 2):
        print(f"{name:<14} only {len(timed)} of {expected} clicks came through")
        return 1
    with open(csv_path, "w") as csv:
        csv.write("seconds,delay_ms\n")
        for t, d in timed:
            csv.write(f"{t:.3f},{d:.1f}\n")
    delays = [d for _, d in timed]
    # The murmur is looked at from the first click out to the last one.
    first_out = mic[0] + round((timed[0][0] + timed[0][1] / 1000) * RATE)
    last_out = mic[0] + round((timed[-1][0] + timed[-1][1] / 1000) * RATE)
    holes = gaps(out_samples, first_out, last_out)
    minutes = (last_out - first_out) / RATE / 60
    duration = timed[-1][0]
    start_delay = near(timed, 10.0, 2.0)
    end_delay = near(timed, duration - 2.0, 2.0)
    line = (f"{name:<14} median {statistics.median(delays):6.1f} ms  p95 {percentile(delays, 0.95):6.1f} ms  "
            f"gaps {len(holes) / minutes:5.1f}/min  "
            f"at 10 s {start_delay if start_delay is not None else float('nan'):6.1f} ms  "
            f"at {duration:.0f} s {end_delay if end_delay is not None else float('nan'):6.1f} ms")
    longest = max(holes, key=lambda hole: hole[1], default=None)
    if longest and longest[1] >= RATE // 2:
        stall_end = (longest[0] + longest[1] - first_out) / RATE + timed[0][0] + timed[0][1] / 1000
        before = [d for t, d in timed if stall_end - 12 <= t + d / 1000 < stall_end - 2]
        if before:
            reference = statistics.median(before)
            after = [(t + d / 1000, d) for t, d in timed if t + d / 1000 > stall_end]
            back = None
            for i, (heard, _) in enumerate(after):
                if all(abs(d - reference) <= 20 for _, d in after[i:i + 6]):
                    back = heard - stall_end
                    break
            line += (f"  stall {longest[1] / RATE:.1f} s: back within 20 ms of {reference:.0f} ms "
                     + (f"after {back:.1f} s" if back is not None else "never"))
    print(line)
    return 0


def plot(png, title, directories):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as pyplot
    except ImportError:
        print("click_latency: no plot: python3-matplotlib is missing (apt-get install python3-matplotlib)",
              file=sys.stderr)
        return 1
    import glob
    import os
    names = sorted(os.path.basename(p)[:-4] for p in glob.glob(os.path.join(directories[0], "*.csv")))
    figure, axes = pyplot.subplots(len(names), 1, figsize=(9, 2.2 * len(names)), sharex=True, squeeze=False)
    for axis, name in zip(axes[:, 0], names):
        for directory, style in zip(directories, ("-", "--")):
            path = os.path.join(directory, name + ".csv")
            if not os.path.exists(path):
                continue
            with open(path) as csv:
                rows = [line.split(",") for line in csv.read().split("\n")[1:] if line]
            axis.plot([float(r[0]) for r in rows], [float(r[1]) for r in rows], style, marker=".", markersize=3,
                      label=os.path.basename(os.path.normpath(directory)))
        axis.set_title(name, fontsize=9)
        axis.set_ylabel("delay (ms)")
        axis.grid(True, alpha=0.3)
        axis.legend(fontsize=7, loc="upper right")
    axes[-1, 0].set_xlabel("time in the run (s)")
    figure.suptitle(title)
    figure.tight_layout()
    figure.savefig(png, dpi=80)
    return 0


def main():
    parser = argparse.ArgumentParser(description="click feed and click delay analysis (s16le, 8000 Hz, mono)")
    commands = parser.add_subparsers(dest="command", required=True)
    make_args = commands.add_parser("make")
    make_args.add_argument("out")
    make_args.add_argument("--clicks", type=int, default=10)
    make_args.add_argument("--spacing-ms", type=int, default=1500)
    make_args.add_argument("--murmur", action="store_true")
    condition_args = commands.add_parser("condition")
    for name in ("name", "mic", "out", "csv"):
        condition_args.add_argument(name)
    condition_args.add_argument("--clicks", type=int, default=10)
    condition_args.add_argument("--spacing-ms", type=int, default=1500)
    plot_args = commands.add_parser("plot")
    plot_args.add_argument("png")
    plot_args.add_argument("title")
    plot_args.add_argument("directories", nargs="+")
    measure_args = commands.add_parser("measure")
    measure_args.add_argument("mic")
    measure_args.add_argument("out")
    measure_args.add_argument("--mic2")
    measure_args.add_argument("--clicks", type=int, default=10)
    measure_args.add_argument("--spacing-ms", type=int, default=1500)
    args = parser.parse_args()
    if args.command == "make":
        make(args.out, args.clicks, args.spacing_ms, args.murmur)
        return 0
    if args.command == "condition":
        return condition(args.name, args.mic, args.out, args.csv, args.spacing_ms, args.clicks)
    if args.command == "plot":
        return plot(args.png, args.title, args.directories)
    return measure(args.mic, args.out, args.mic2, args.spacing_ms, args.clicks)


if __name__ == "__main__":
    sys.exit(main())
