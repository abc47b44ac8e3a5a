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
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVARO_BUILD_DIR:-$root/build}
clicks=${CLICKS:-10}
spacing_ms=1500
modes=${1:-both}
case $modes in
  both) modes="relay server" ;;
  relay|server) ;;
  *) echo "usage: $0 [relay|server|both]" >&2; exit 2 ;;
esac

die() { echo "measure_latency: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || echo "measure_latency: not root; carrying on" >&2
command -v python3 >/dev/null || die "python3 is missing (tools/setup.sh installs it)"
command -v pacat >/dev/null && command -v parec >/dev/null || die "pacat/parec missing (tools/setup.sh)"

"$root/tools/build.sh" "$build" >/dev/null || die "build failed"
for program in relay-host participant-host; do
  [ -x "$build/bin/$program" ] || die "$build/bin/$program was not built"
done

work=$(mktemp -d /tmp/kovaro-latency.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
  "$root/tools/pulse-down.sh" "$work/pulse" || true
  if [ "${KEEP:-0}" = 1 ]; then echo "measure_latency: files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Ends one started process, reaps it and forgets it.
stop() {
  local rest=() p
  kill -TERM "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  for p in "${pids[@]}"; do [ "$p" = "$1" ] || rest+=("$p"); done
  pids=("${rest[@]+"${rest[@]}"}")
}

free_udp_port() {
  python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])'
}

"$root/tools/pulse-up.sh" "$work/pulse" >/dev/null || die "the sound server did not start"
export PULSE_SERVER="unix:$work/pulse/run/pulse/native" HOME="$work/pulse/home"
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

  # Joined and capturing once the own voice meter moves.
  for _ in $(seq 100); do
    grep -q '^meter 1103 ' "$work/$mode.lines" 2>/dev/null && break
    kill -0 "$participant" 2>/dev/null || break
    sleep 0.05
  done
  grep -q '^meter 1103 ' "$work/$mode.lines" ||
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
