#!/usr/bin/env bash
# Mouth-to-ear latency of a participant through the real sound server (not a test: prints figures).
#   tools/measure_latency.sh [relay|server|both]     (default both)
#   tools/measure_latency.sh floor [RUNS]
#       the sound server's own round trip, no program of ours in it: the microphone recorded
#       and played straight back to the output by parec | pacat (5 ms fragments, 10 ms target),
#       on a server set up afresh for each of RUNS (default 4) runs; what any client of the
#       PulseAudio protocol pays on this server before its own buffering.
#   tools/measure_latency.sh conditions [CONDITION...]
#       the relay mode through tools' jitter-proxy, once per network condition (default all:
#       loopback jitter40 reorder loss2 stall clock+0.5 clock-0.5; clock+0.5-hiccup on request),
#       RUN_SECONDS (default 60) each, with clicks every 500 ms over a quiet murmur; prints per condition the median and
#       p95 delay, gaps a minute, the delay near 10 s and at the end, and a stall's recovery;
#       then the holes a minute of the microphone feed itself (a starved pacat on a loaded machine).
#       The microphone and the output are recorded by one dual-record process, whose two
#       streams start together (two parec processes start as far apart as their start-ups).
#       RESULTS_DIR keeps each click's delay as CSV; PLOT=file.png draws them (matplotlib).
#       KOVARO_PRODUCT_BIN takes kovaro-relay and participant-host from another build (the
#       code before a change), the proxy still from this one.
# A private headless PulseAudio; one participant-host, joined through kovaro-relay ("relay") or
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
# Environment: KOVARO_BUILD_DIR (default build), CLICKS (default 10), SOUND_SERVER (pulse or
# pipewire, default pulse), PARTICIPANT_OPTIONS (e.g. "--echo-cancel 0"; for conditions the
# default switches the voice processing off, whose noise suppression would take the murmur for
# noise and leave nothing to find gaps in),
# KEEP=1 keeps the folder. For conditions, the CPU share of the sound
# server's own processes over each run is printed too.
set -euo pipefail
clicks=${CLICKS:-10}
spacing_ms=1500
modes=${1:-both}
case $modes in
  both) modes="relay server" ;;
  relay|server|conditions|floor) ;;
  *) echo "usage: $0 [relay|server|both] | floor [RUNS] | conditions [CONDITION...]" >&2; exit 2 ;;
esac

name=measure_latency
programs="kovaro-relay participant-host jitter-proxy dual-record"
command -v pacat >/dev/null && command -v parec >/dev/null || { echo "$name: pacat/parec missing (tools/setup.sh)" >&2; exit 1; }
source "$(dirname "$0")/measure_common.sh"

# The proxy's options for a condition; the stall begins halfway through the run.
proxy_options() {
  case $1 in
    loopback) ;;
    jitter40) echo "--jitter 40" ;;
    reorder) echo "--jitter 40 --reorder 5" ;;
    loss2) echo "--loss 2" ;;
    stall) echo "--stall $(( 3000 + run_seconds * 500 )):1000" ;;
    clock+0.5) echo "--clock 0.5" ;;
    clock-0.5) echo "--clock -0.5" ;;
    # The clock condition with 2 % loss and a hiccup at 20 s: 300 ms of frames held, then sent
    # 20 ms apart, as a loaded machine's receiver catches up (not counted as a burst).
    clock+0.5-hiccup) echo "--clock 0.5 --loss 2 --stall 20000:300:20" ;;
    *) return 1 ;;
  esac
}

if [ "$modes" = floor ]; then
  runs=${2:-4}
  raw=(--rate=8000 --channels=1 --format=s16le --raw)
  python3 "$root/tools/click_latency.py" make "$work/clicks.raw" --clicks 12 --spacing-ms 500
  echo "== the round trip of $sound_server alone: parec | pacat, $runs runs on a server started afresh"
  for run in $(seq "$runs"); do
    if [ "$run" -gt 1 ]; then
      "$root/tools/pulse-down.sh" "$work/sound"
      "$root/tools/$sound_server-up.sh" "$work/sound" >/dev/null || die "the sound server did not start"
    fi
    parec -d test_mic_feed.monitor "${raw[@]}" --latency-msec=5 2>/dev/null |
      pacat -d test_out "${raw[@]}" --latency-msec=10 2>/dev/null &
    passthrough=$!; pids+=("$passthrough")
    sleep 1
    record_feed "$work/mic.raw" "$work/out.raw" "$work/clicks.raw" 0.5
    # parec ends on its next write once pacat is gone.
    stop "$passthrough"
    echo -n "run $run: "
    python3 "$root/tools/click_latency.py" measure "$work/mic.raw" "$work/out.raw" --clicks 12 --spacing-ms 500 |
      sed -n 's/^  mouth-to-ear delay: //p'
  done
  exit 0
fi
if [ "$modes" = conditions ]; then
  shift
  run_seconds=${RUN_SECONDS:-60}
  conditions=${*:-loopback jitter40 reorder loss2 stall clock+0.5 clock-0.5}
  for condition in $conditions; do proxy_options "$condition" >/dev/null || die "unknown condition $condition"; done
  product=${KOVARO_PRODUCT_BIN:-$build/bin}
  results=${RESULTS_DIR:-$work/results}
  mkdir -p "$results"
  clicks=$(( run_seconds * 2 ))
  python3 "$root/tools/click_latency.py" make "$work/feed.raw" --clicks "$clicks" --spacing-ms 500 --murmur
  echo "== $run_seconds s per condition on $sound_server, kovaro-relay and participant-host from $product, through jitter-proxy"
  for condition in $conditions; do
    relay_port=$(free_udp_port)
    proxy_port=$(free_udp_port)
    "$product/kovaro-relay" --port "$relay_port" 2>"$work/relay.err" &
    relay=$!; pids+=("$relay")
    # shellcheck disable=SC2046
    "$build/bin/jitter-proxy" "$proxy_port" "$relay_port" $(proxy_options "$condition") --seed 7 \
      --duration $(( run_seconds + 60 )) 2>"$work/$condition.proxy" &
    proxy=$!; pids+=("$proxy")
    # shellcheck disable=SC2086
    "$product/participant-host" latency 127.0.0.1 "$proxy_port" \
      ${PARTICIPANT_OPTIONS:---echo-cancel 0 --noise-suppression 0 --auto-gain 0} </dev/null >"$work/$condition.lines" \
      2>"$work/$condition.err" &
    participant=$!; pids+=("$participant")
    wait_until_capturing "$participant" "$work/$condition.lines" ||
      die "participant-host did not start capturing ($condition): $(cat "$work/$condition.lines" "$work/$condition.err")"
    sleep 1
    "$build/bin/dual-record" test_mic_feed.monitor "$work/$condition.mic.raw" test_out.monitor \
      "$work/$condition.out.raw" &
    recorder=$!; pids+=("$recorder")
    sleep 0.5
    server_from=$(sound_server_ticks); from_ns=$(now_ns)
    pacat -d test_mic_feed --rate=8000 --channels=1 --format=s16le --latency-msec=20 "$work/feed.raw" ||
      die "pacat failed"
    server_ticks=$(( $(sound_server_ticks) - server_from )); run_ns=$(( $(now_ns) - from_ns ))
    sleep 1
    stop "$recorder"; stop "$participant"; stop "$proxy"; stop "$relay"
    python3 "$root/tools/click_latency.py" condition "$condition" "$work/$condition.mic.raw" \
      "$work/$condition.out.raw" "$results/$condition.csv" --clicks "$clicks" --spacing-ms 500 || status=1
    # The feed's own holes: on a loaded machine pacat falls behind, and its holes are gaps in the
    # output too, which the playout did not make.
    python3 - "$root/tools" "$work/$condition.mic.raw" <<'PYTHON' | sed 's/^/               /'
import sys
sys.path.insert(0, sys.argv[1])
import click_latency as c
samples = c.read(sys.argv[2])
start = next((i for i, s in enumerate(samples) if abs(s) >= c.GAP_LEVEL), len(samples))
holes = c.gaps(samples, start, len(samples))
print(f"microphone feed: {len(holes) / max(1e-9, (len(samples) - start) / c.RATE / 60):.1f} holes/min")
PYTHON
    sed 's/^/               /' "$work/$condition.proxy"
    awk -v t="$server_ticks" -v hz="$hz" -v ns="$run_ns" -v server="$sound_server" \
      'BEGIN { printf "               sound server (%s) CPU: %.1f %% of one core\n", server, 100 * t / hz / (ns / 1e9) }'
  done
  if [ -n "${PLOT:-}" ]; then
    python3 "$root/tools/click_latency.py" plot "$PLOT" "mouth-to-ear delay per click" "$results" || true
  fi
  [ "${status:-0}" = 0 ] || die "some clicks did not come through"
  exit 0
fi
python3 "$root/tools/click_latency.py" make "$work/clicks.raw" --clicks "$clicks" --spacing-ms "$spacing_ms"

mono=(--rate=8000 --channels=1 --format=s16le --latency-msec=10)
status=0
for mode in $modes; do
  echo "== $mode mode: participant-host $( [ "$mode" = server ] && echo "--server" || echo "through kovaro-relay")"
  port=$(free_udp_port)
  if [ "$mode" = relay ]; then
    "$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
    relay=$!; pids+=("$relay")
    server_flag=()
  else
    relay=
    server_flag=(--server)
  fi
  "$build/bin/participant-host" latency 127.0.0.1 "$port" "${server_flag[@]}" ${PARTICIPANT_OPTIONS:-} \
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
