#!/usr/bin/env python3
"""How often a voice frame's coder state repeats by chance (not a test: prints figures).

  tools/frame_state_repeats.py FRAMES...

FRAMES are files of 254-byte voice frames from one coder (adpcm-tool encode). Each frame's
header holds the state it starts in, which is the state its predecessor ended in. For every
frame k + 2, taking frame k + 1 as lost, the script counts the two ways a receiver that orders
frames by their states can be fooled:

- a false continuation: frame k + 2 starts where frame k ended, so it plays at once as if
  nothing were missing (what every frame did before the order was looked at);
- a false repeat: both states of frame k + 2 are among the states of the frames played
  before it (frames k - 3 .. k, the receiver's history), so it is dropped as late or repeated.
"""
import struct
import sys

FRAME_BYTES = 254
HISTORY = 4


def states(path):
    data = open(path, "rb").read()
    count = len(data) // FRAME_BYTES
    return [struct.unpack_from("<hB", data, k * FRAME_BYTES) for k in range(count)]


def repeats(starts):
    """(cases, false continuations, false repeats) over the frames of one stream."""
    cases = continuations = drops = 0
    # start of frame k + 1 is the end of frame k
    for k in range(HISTORY - 1, len(starts) - 3):
        start, end = starts[k + 2], starts[k + 3]
        cases += 1
        if start == starts[k + 1]:
            continuations += 1
            continue
        known = set(starts[k - HISTORY + 1:k + 2])
        if start in known and end in known:
            drops += 1
    return cases, continuations, drops


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    for path in sys.argv[1:]:
        cases, continuations, drops = repeats(states(path))
        share = lambda n: 100.0 * n / max(1, cases)
        print(f"{path}: {cases} frames after a loss; false continuation {continuations} "
              f"({share(continuations):.2f} %), false repeat {drops} ({share(drops):.2f} %)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
