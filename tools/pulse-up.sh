#!/bin/sh
# Starts a private headless PulseAudio for the tests, all of its state under one folder:
#   tools/pulse-up.sh [DIR]     (DIR defaults to $KOVARO_PULSE_DIR, else ${TMPDIR:-/tmp}/kovaro-pulse)
# Two 8 kHz mono null sinks: test_out, the default sink (what programs play; record
# test_out.monitor), and test_mic_feed, whose monitor is the default source (the virtual
# microphone; play into test_mic_feed to speak). Streams' volumes and mutes are remembered as
# on a desktop (module-stream-restore), their devices are not. Clients then need
#   PULSE_SERVER=unix:DIR/run/pulse/native HOME=DIR/home
# PulseAudio's CPU limiter is off, so that a daemon slowed on a loaded machine is not made to quit.
# A supervisor process owns the daemon and the keep-alive readers and waits for them, so no
# child is left unreaped; tools/pulse-down.sh DIR stops it.
set -eu
default=kovaro-pulse
. "$(dirname "$0")/sound_folder.sh"
cat > "$dir/server.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1
load-module module-stream-restore restore_device=false
load-module module-null-sink sink_name=test_out rate=8000 channels=1 format=s16le sink_properties=device.description=TestOut
load-module module-null-sink sink_name=test_mic_feed rate=8000 channels=1 format=s16le sink_properties=device.description=TestMicFeed
set-default-sink test_out
set-default-source test_mic_feed.monitor
PA
unset DBUS_SESSION_BUS_ADDRESS DISPLAY || true

# The supervisor: starts the daemon and, once it answers, one 10 ms reader per monitor.
# An idle null sink renders 2 s ahead, so capture would start late and come in bursts; the
# readers keep both sinks running in small blocks like a real device, and a suspend and
# resume restarts the sinks' clocks. On TERM it stops its children and reaps them.
setsid sh -c '
  dir=$1
  children=""
  stop() { for p in $children; do kill "$p" 2>/dev/null; done; wait; exit 0; }
  trap stop TERM INT HUP
  pulseaudio -n -F "$dir/server.pa" --daemonize=no --no-cpu-limit --exit-idle-time=-1 --use-pid-file=no \
    --log-target=file:"$dir/pulse.log" --log-level=notice </dev/null >/dev/null 2>"$dir/pulse.stderr" &
  daemon=$!
  children=$daemon
  i=0
  until pactl info >/dev/null 2>&1; do
    i=$((i+1))
    if [ $i -gt 200 ] || ! kill -0 $daemon 2>/dev/null; then stop; fi
    sleep 0.05
  done
  for m in test_mic_feed.monitor test_out.monitor; do
    parec -d $m --latency-msec=10 --rate=8000 --channels=1 --format=s16le >/dev/null 2>&1 &
    children="$children $!"
  done
  for s in test_mic_feed test_out; do pactl suspend-sink $s 1; pactl suspend-sink $s 0; done
  echo ready > "$dir/ready"
  # A daemon that ends on its own says how in its log: 128 + N for signal N.
  wait $daemon
  echo "pulse-up: the daemon exited with status $?" >> "$dir/pulse.log"
  wait
' kovaro-pulse "$dir" </dev/null >/dev/null 2>&1 &
echo $! > "$dir/supervisor.pid"

# Ready when both monitors run (the readers keep the sinks from idling).
i=0
until [ -f "$dir/ready" ] && [ "$(pactl list short sources 2>/dev/null | grep -c RUNNING)" = 2 ]; do
  i=$((i+1))
  if [ $i -gt 200 ] || ! kill -0 "$(cat "$dir/supervisor.pid")" 2>/dev/null; then
    echo "pulse-up: the sound server did not come up" >&2
    cat "$dir/pulse.log" >&2 2>/dev/null || true
    "$here/pulse-down.sh" "$dir"
    exit 1
  fi
  sleep 0.05
done
echo "pulse-up: PULSE_SERVER=$PULSE_SERVER HOME=$HOME"
