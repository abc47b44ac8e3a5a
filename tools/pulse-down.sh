#!/bin/sh
# Stops the sound server that tools/pulse-up.sh or tools/pipewire-up.sh started in DIR, by the
# supervisor's PID only, and waits until it has reaped its children and ended.
#   tools/pulse-down.sh [DIR]   (same default as pulse-up.sh)
dir=${1:-${KOVARO_PULSE_DIR:-${TMPDIR:-/tmp}/kovaro-pulse}}
[ -f "$dir/supervisor.pid" ] || exit 0
pid=$(cat "$dir/supervisor.pid")
# Gone, or a zombie left to whoever adopted it: either way it holds nothing any more.
running() { [ -e "/proc/$1" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }
if running "$pid" && grep -q -E 'kovaro-(pulse|pipewire)' "/proc/$pid/cmdline" 2>/dev/null; then
  kill -TERM "$pid" 2>/dev/null
  i=0
  while running "$pid" && [ $i -lt 100 ]; do sleep 0.05; i=$((i+1)); done
fi
rm -f "$dir/supervisor.pid" "$dir/ready"
