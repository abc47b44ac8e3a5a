#!/usr/bin/env bash
# Sets up, builds and runs the most complete program so far: the participant without its
# windows (participant-host), hosting the relay server on UDP port 9876 and joining it.
# Window updates print one per line; type "mute send 1", "mute receive 1", "mute slot N 1"
# (0 to unmute); Ctrl+C leaves the conference and ends it.
#   tools/run.sh [NICKNAME] [PORT]       (defaults: $USER or "unnamed", 9876)
# Without a running sound server it starts a private headless one (tools/pulse-up.sh)
# so the program still runs, on silent virtual devices.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
nickname=${1:-${USER:-unnamed}}
port=${2:-9876}
if ! pactl info >/dev/null 2>&1; then
  pulse_dir=${TMPDIR:-/tmp}/kovaro-run-pulse
  echo "run: no sound server found; starting a private headless one in $pulse_dir"
  tools/pulse-up.sh "$pulse_dir"
  trap 'tools/pulse-down.sh "$pulse_dir"' EXIT
  export PULSE_SERVER="unix:$pulse_dir/run/pulse/native" HOME="$pulse_dir/home"
fi
build/bin/participant-host "$nickname" 127.0.0.1 "$port" --server
