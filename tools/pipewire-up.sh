#!/bin/sh
# Starts a private headless PipeWire for the tests, the sound server of a Debian 12 desktop,
# all of its state under one folder:
#   tools/pipewire-up.sh [DIR]  (DIR defaults to $KOVARO_PULSE_DIR, else ${TMPDIR:-/tmp}/kovaro-pipewire)
# A session bus of its own, pipewire, WirePlumber (without it no stream is linked to a sink) and
# pipewire-pulse, which serves the PulseAudio protocol our programs speak. The same two 8 kHz
# mono null sinks as tools/pulse-up.sh: test_out, the default sink, and test_mic_feed, whose
# monitor is the default source; the graph runs at its default 48 kHz, as on a desktop.
# Clients then need
#   PULSE_SERVER=unix:DIR/run/pulse/native HOME=DIR/home
# A supervisor process owns the servers and waits for them; tools/pulse-down.sh DIR stops it.
set -eu
default=kovaro-pipewire
. "$(dirname "$0")/sound_folder.sh"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/run/bus"
unset DISPLAY WAYLAND_DISPLAY XDG_CONFIG_HOME XDG_STATE_HOME PIPEWIRE_RUNTIME_DIR || true

# The supervisor: starts each server once the one it needs answers. On TERM it stops them in
# reverse order (pipewire-pulse, WirePlumber, pipewire, the bus) and reaps them.
setsid sh -c '
  dir=$1
  children=""
  stop() { for p in $children; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; exit 0; }
  trap stop TERM INT HUP
  waitFor() { i=0; until eval "$1"; do i=$((i+1)); [ $i -gt 200 ] && stop; sleep 0.01; done; }
  dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile </dev/null >/dev/null 2>&1 &
  children=$!
  waitFor "[ -S \"$dir/run/bus\" ]"
  pipewire </dev/null >"$dir/pipewire.log" 2>&1 &
  children="$! $children"
  waitFor "[ -S \"$dir/run/pipewire-0\" ]"
  wireplumber </dev/null >"$dir/wireplumber.log" 2>&1 &
  children="$! $children"
  pipewire-pulse </dev/null >"$dir/pipewire-pulse.log" 2>&1 &
  children="$! $children"
  waitFor "pactl info >/dev/null 2>&1"
  for s in test_out test_mic_feed; do
    pactl load-module module-null-sink sink_name=$s rate=8000 channels=1 format=s16le \
      sink_properties=node.group=kovaro-test >/dev/null
  done
  # The sinks appear a moment after they are loaded.
  waitFor "[ \"\$(pactl list short sources | grep -c -E \"test_(out|mic_feed)\\.monitor\")\" = 2 ]"
  pactl set-default-sink test_out
  pactl set-default-source test_mic_feed.monitor
  echo ready > "$dir/ready"
  wait
' kovaro-pipewire "$dir" </dev/null >/dev/null 2>&1 &
echo $! > "$dir/supervisor.pid"

i=0
until [ -f "$dir/ready" ]; do
  i=$((i+1))
  if [ $i -gt 500 ] || ! kill -0 "$(cat "$dir/supervisor.pid")" 2>/dev/null; then
    echo "pipewire-up: the sound server did not come up" >&2
    cat "$dir"/*.log >&2 2>/dev/null || true
    "$here/pulse-down.sh" "$dir"
    exit 1
  fi
  sleep 0.01
done
echo "pipewire-up: PULSE_SERVER=$PULSE_SERVER HOME=$HOME"
