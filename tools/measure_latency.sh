#!/usr/bin/env bash
# Mouth-to-ear latency of a participant through the real sound server (not a test: prints figures).
#   tools/measure_latency.sh [relay|server|both]     (default both)
# A private headless PulseAudio; one participant-host, joined through relay-host ("relay") or
# hosting the relay itself ("server"). The relay sends each speaker its own frames back, so a
# click played into the virtual microphone travels capture -> encode -> relay -> decode ->
# playback. Clicks (10 ms tone bursts, CLICKS of them, about 1.5 s apart, each at another
# point of the 62.5 ms capture block) go into the microphone.
# Timing: the microphone (monitor of the feed sink) and the output sink's monitor are
# recorded by two parec processes started together before the feed; the delay of each click
# between the two recordings is printed. A third recording of the microphone, started right
# after the other two, shows how far apart the starts of recordings started together lie.
# The two null sinks render in 10 ms blocks on independent timers, so the starts of two
# recordings of different sinks may lie up to one block apart: each figure is +-10 ms.
# Environment: KOVARO_BUILD_DIR (default build), CLICKS (default 10), KEEP=1 keeps the folder.
set -euo pipefail
clicks=${CLICKS:-10}
spacing_ms=1500
modes=${1:-both}
case $modes in
  both) modes="relay server" ;;
  relay|server) ;;
  *) echo "usage: $0 [relay|server|both]" >&2; exit 2 ;;
esac

name=measure_latency
programs="relay-host participant-host"
command -v pacat >/dev/null && command -v parec >/dev/null || { echo "$name: pacat/parec missing (tools/setup.sh)" >&2; exit 1; }
source "$(dirname "$0")/measure_common.sh"
python3 "$root/tools/click_latency.py" make "$work/clicks.raw" --clicks "$clicks" --spacing-ms "$spacing_ms"

mono=(--rate=8000 --channels=1 --format=s16le --latency-msec=10)
status=0
for mode in $modes; do
  echo "== $mode mode: participant-host $( [ "$mode" = server ] && echo "--server" || echo "through relay-host")"
  port=$(free_udp_port)
  if [ "$mode" = relay ]; then
    "$build/bin/relay-host" "$port" 2>"$work/relay.err" &
    relay=$!; pids+=("$relay")
    server_flag=()
  else
    relay=
    server_flag=(--server)
  fi
  "$build/bin/participant-host" latency 127.0.0.1 "$port" "${server_flag[@]}" \
    </dev/null >"$work/$mode.lines" 2>"$work/$mode.err" &
  participant=$!; pids+=("$participant")

  wait_until_capturing "$participant" "$work/$mode.lines" ||
    die "participant-host did not start capturing in $mode mode: $(cat "$work/$mode.lines" "$work/$mode.err")"
  sleep 1  # let the playback queue settle

  parec -d test_mic_feed.monitor "${mono[@]}" >"$work/$mode.mic.raw" 2>/dev/null &
  mic=$!; pids+=("$mic")
  parec -d test_out.monitor "${mono[@]}" >"$work/$mode.out.raw" 2>/dev/null &
  out=$!; pids+=("$out")
  parec -d test_mic_feed.monitor "${mono[@]}" >"$work/$mode.mic2.raw" 2>/dev/null &
  mic2=$!; pids+=("$mic2")
  sleep 0.5
  pacat -d test_mic_feed --rate=8000 --channels=1 --format=s16le --latency-msec=20 "$work/clicks.raw" ||
    die "pacat failed"
  sleep 1
  stop "$mic"; stop "$out"; stop "$mic2"
  stop "$participant"
  [ -n "$relay" ] && stop "$relay"

  python3 "$root/tools/click_latency.py" measure "$work/$mode.mic.raw" "$work/$mode.out.raw" \
    --mic2 "$work/$mode.mic2.raw" --clicks "$clicks" --spacing-ms "$spacing_ms" || status=1
done
[ $status = 0 ] || die "some clicks did not come through"
