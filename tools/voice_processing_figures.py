#!/usr/bin/python3
"""The signals and figures of tools/measure_voice_processing.sh (8000 Hz mono s16le raw files).

  voice_processing_figures.py signals DIR   scales DIR/far.wav.raw and DIR/room.wav.raw (espeak-ng
                                            speech) into far.raw, room.raw, quiet.raw; makes
                                            fan.raw (steady noise) and silence.raw
  voice_processing_figures.py report DIR    prints the table from the decoded sent recordings
  voice_processing_figures.py level FILE    the level of one decoded recording after 3 s

A level is the RMS over the stretch in dB against full scale (32768).
"""
import sys

import numpy as np

RATE = 8000
TALK_DBFS = -20.0
QUIET_DBFS = -38.0
FAN_DBFS = -35.0
SKIP_SECONDS = 3.0


def read(path):
    return np.fromfile(path, dtype="<i2").astype(np.float64)


def write(path, samples):
    np.clip(np.round(samples), -32768, 32767).astype("<i2").tofile(path)


def level_db(samples):
    return 10 * np.log10(np.mean(samples ** 2) / 32768.0 ** 2 + 1e-20)


def scaled(samples, dbfs):
    return samples * (32768.0 * 10 ** (dbfs / 20) / np.sqrt(np.mean(samples ** 2)))


def signals(folder):
    far = read(f"{folder}/far.wav.raw")
    room = read(f"{folder}/room.wav.raw")
    write(f"{folder}/far.raw", scaled(far, TALK_DBFS))
    write(f"{folder}/room.raw", scaled(room, TALK_DBFS))
    write(f"{folder}/quiet.raw", scaled(room, QUIET_DBFS))
    noise = np.random.default_rng(7).normal(0.0, 1.0, 30 * RATE)
    write(f"{folder}/fan.raw", scaled(noise, FAN_DBFS))
    write(f"{folder}/silence.raw", np.zeros(RATE))


def after_start(samples):
    return samples[int(SKIP_SECONDS * RATE):]


def best_alignment(sent, clean):
    """The lag at which clean lies in sent (clean starts within sent)."""
    size = 1 << int(np.ceil(np.log2(len(sent) + len(clean))))
    spectrum = np.fft.rfft(sent, size) * np.conj(np.fft.rfft(clean, size))
    cross = np.fft.irfft(spectrum, size)[: len(sent)]
    return int(np.argmax(cross))


def kept_speech(sent, clean, window=1.0, slack=0.02):
    """Correlation of the sent speech with the clean speech after the first seconds, and the
    sent level over the same stretch. Each second is compared at its own lag within 20 ms of the
    lag of the whole: a sound server without realtime priority now and then skips a quantum
    (10.7 ms) on the way from the player into the microphone feed, which shifts the rest of the
    speech against the clean file without changing a word of it."""
    lag = best_alignment(sent, clean)
    length = min(len(clean), len(sent) - lag)
    start = int(SKIP_SECONDS * RATE)
    step, reach = int(window * RATE), int(slack * RATE)
    dot = sent_power = clean_power = 0.0
    for begin in range(start, length - step + 1, step):
        b = clean[begin: begin + step]
        low = max(lag + begin - reach, 0)
        stretch = sent[low: lag + begin + step + reach]
        if len(stretch) < step:
            break
        shift = int(np.argmax(np.correlate(stretch, b, "valid")))
        a = stretch[shift: shift + step]
        dot += float(np.dot(a, b))
        sent_power += float(np.dot(a, a))
        clean_power += float(np.dot(b, b))
    return dot / np.sqrt(sent_power * clean_power + 1e-20), level_db(sent[lag + start: lag + length])


def convergence(on, off, window=0.5):
    """When the echo is first 20 dB down: the end of the first half second in which the echo
    sent with processing lies at least 20 dB below the echo sent without; and the share of the
    later half seconds (those where the far end is loud) in which it stays so."""
    step = int(window * RATE)
    count = min(len(on), len(off)) // step
    off_levels = [level_db(off[i * step:(i + 1) * step]) for i in range(count)]
    down = [off_levels[i] - level_db(on[i * step:(i + 1) * step]) >= 20 for i in range(count)]
    first = next((i for i in range(count) if down[i]), count)
    loud = [i for i in range(first + 1, count) if off_levels[i] > max(off_levels) - 20]
    share = sum(down[i] for i in loud) / len(loud) if loud else 0.0
    return (first + 1) * window, share


def report(folder):
    sent = {name: read(f"{folder}/{name}.sent.raw") for name in
            ("echo_on", "echo_off", "double_talk", "room", "quiet", "fan_on", "fan_off")}
    room = read(f"{folder}/room.raw")
    rows = []
    echo_on = level_db(after_start(sent["echo_on"]))
    echo_off = level_db(after_start(sent["echo_off"]))
    rows.append(("far end talks, room silent", "echo level sent, on vs off, after 3 s",
                 f"{echo_on:.1f} vs {echo_off:.1f} dBFS: {echo_off - echo_on:.1f} dB lower", ">= 25 dB",
                 echo_off - echo_on >= 25))
    settle, share = convergence(sent["echo_on"], sent["echo_off"])
    rows.append(("far end talks, room silent", "time until the echo is 20 dB down (then: share of half seconds "
                 "that stay 20 dB down)", f"{settle:.1f} s (then {100 * share:.0f} %)", "<= 2 s", settle <= 2))
    correlation, _ = kept_speech(sent["double_talk"], room)
    rows.append(("both talk at once", "room's speech kept (correlation)", f"{correlation:.3f}", ">= 0.8",
                 correlation >= 0.8))
    correlation, room_level = kept_speech(sent["room"], room)
    rows.append(("room speech alone", "speech kept (correlation; level after gain)",
                 f"{correlation:.3f}; {room_level:.1f} dBFS against {TALK_DBFS:.0f} spoken",
                 ">= 0.9; within 6 dB", correlation >= 0.9 and abs(room_level - TALK_DBFS) <= 6))
    fan_on = level_db(after_start(sent["fan_on"]))
    fan_off = level_db(after_start(sent["fan_off"]))
    rows.append(("steady fan noise at -35 dBFS", "noise level sent, on vs off",
                 f"{fan_on:.1f} vs {fan_off:.1f} dBFS: {fan_off - fan_on:.1f} dB lower", ">= 15 dB",
                 fan_off - fan_on >= 15))
    _, quiet_level = kept_speech(sent["quiet"], room)
    rows.append(("a quiet talker at -38 dBFS", "level sent against the talker at -20 dBFS",
                 f"{quiet_level:.1f} vs {room_level:.1f} dBFS: {abs(quiet_level - room_level):.1f} dB apart",
                 "within 6 dB", abs(quiet_level - room_level) <= 6))
    for case, figure, value, goal, met in rows:
        print(f"| {case} | {figure} | {value} | {goal} | {'met' if met else 'MISSED'} |")


if __name__ == "__main__":
    commands = {"signals": signals, "report": report,
                "level": lambda path: print(f"{level_db(after_start(read(path))):.1f} dBFS")}
    if len(sys.argv) != 3 or sys.argv[1] not in commands:
        sys.exit(__doc__)
    commands[sys.argv[1]](sys.argv[2])
