#!/usr/bin/env bash
# Sets up, builds and runs the participant program, or with --server the dedicated relay server.
#   tools/run.sh [NICKNAME] [PORT]       (defaults: $USER or "unnamed", 9876)
#   tools/run.sh --server [PORT]         (kovarosrv; without a display kovaro-relay on PORT)
# With a display (DISPLAY or WAYLAND_DISPLAY set) it opens the kovaro window; its connection
# dialog asks for the nickname, the server and the port (kept in build/bin/kovaro.ini), so the
# arguments are not used. Without a display it runs the participant without its windows
# (participant-host), hosting the relay server on PORT and joining it as NICKNAME: window
# updates print one per line; type "mute send 1", "mute receive 1", "mute slot N 1" (0 to
# unmute); Ctrl+C leaves the conference and ends it.
# Without a running sound server it starts a private headless one (tools/pulse-up.sh)
# so the program still runs, on silent virtual devices.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
dedicated=0
if [ "${1:-}" = --server ]; then dedicated=1; shift; set -- "" "$@"; fi
nickname=${1:-${USER:-unnamed}}
port=${2:-9876}
if ! pactl info >/dev/null 2>&1; then
  pulse_dir=${TMPDIR:-/tmp}/kovaro-run-pulse
  echo "run: no sound server found; starting a private headless one in $pulse_dir"
  tools/pulse-up.sh "$pulse_dir"
  trap 'tools/pulse-down.sh "$pulse_dir"' EXIT
  # The private server's HOME must not hide the X server's key, which lives in the user's.
  if [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then export XAUTHORITY="$HOME/.Xauthority"; fi
  export PULSE_SERVER="unix:$pulse_dir/run/pulse/native" HOME="$pulse_dir/home"
fi
has_display=0
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then has_display=1; fi
if [ "$dedicated" = 1 ] && [ "$has_display" = 1 ]; then
  build/bin/kovarosrv
elif [ "$dedicated" = 1 ]; then
  echo "run: no display (DISPLAY and WAYLAND_DISPLAY are unset); running the relay without its window"
  build/bin/kovaro-relay --port "$port"
elif [ "$has_display" = 1 ]; then
  build/bin/kovaro
else
  echo "run: no display (DISPLAY and WAYLAND_DISPLAY are unset); running the participant without its windows"
  build/bin/participant-host "$nickname" 127.0.0.1 "$port" --server
fi
