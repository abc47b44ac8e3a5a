#!/usr/bin/env bash
# How long one playback channel keeps playing when frames come faster than it plays, on a
# private headless sound server: a burst of 16 blocks then the normal pace, 2 % fast, and
# 0.2 % fast (the last one long enough to fill the half-second queue and then some).
#   tools/measure_playback_drift.sh
#   tools/measure_playback_drift.sh steady [SECONDS]   (default 600)
#       one channel fed at the voice pace: the most it held, and the gaps, over SECONDS.
# SOUND_SERVER: pulse (default) or pipewire.
set -euo pipefail
name=measure_playback_drift
programs=playback-drift
source "$(dirname "$0")/measure_common.sh"
conditions=("0 10 16" "2 60 0" "0.2 240 0")
[ "${1:-}" != steady ] || conditions=("0 ${2:-600} 0")
echo "== on $sound_server"
for condition in "${conditions[@]}"; do
  set -- $condition
  echo "== $1 % fast for $2 s after a burst of $3"
  "$build/bin/playback-drift" "$1" "$2" "$3"
done
