#!/usr/bin/env bash
# How soon a participant plays again after its sound server comes back (not a test: prints
# figures).
#   tools/measure_recovery.sh [RESTARTS]      (default 5)
# participant-host joins kovaro-relay on a private headless sound server (SOUND_SERVER: pulse or
# pipewire, default pulse). RESTARTS times, the server is stopped for AWAY_MS (default 1500)
# and started again; from the moment it answers with its sinks, a steady tone goes into the
# virtual microphone and the output is recorded. Per restart: when the participant said
# "audio: sound is back", and when the tone (its own voice, back through the relay) was heard
# in the output, both counted from the server's return; then the medians.
# Environment: KOVARO_BUILD_DIR (default build), SOUND_SERVER, AWAY_MS, KEEP=1 keeps the folder.
set -euo pipefail
restarts=${1:-5}
away_ms=${AWAY_MS:-1500}
[[ $restarts =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [RESTARTS]" >&2; exit 2; }

name=measure_recovery
programs="kovaro-relay participant-host"
source "$(dirname "$0")/measure_common.sh"

python3 -c 'import array, math, sys
tone = array.array("h", (int(8000 * math.sin(2 * math.pi * 440 * i / 8000)) for i in range(8000 * 10)))
open(sys.argv[1], "wb").write(tone.tobytes())' "$work/tone.raw"

port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
relay=$!; pids+=("$relay")
"$build/bin/participant-host" recovery 127.0.0.1 "$port" </dev/null >"$work/participant.lines" \
  2>"$work/participant.err" &
participant=$!; pids+=("$participant")
wait_until_capturing "$participant" "$work/participant.lines" ||
  die "participant-host did not start: $(cat "$work/participant.lines" "$work/participant.err")"
sleep 1

echo "== $restarts restarts of $sound_server, away $away_ms ms each"
back_ms=(); heard_ms=()
for round in $(seq "$restarts"); do
  said=$(grep -c 'sound is back' "$work/participant.err" || true)
  "$root/tools/pulse-down.sh" "$work/sound"
  sleep "$(awk -v ms="$away_ms" 'BEGIN { print ms / 1000 }')"
  "$root/tools/$sound_server-up.sh" "$work/sound" >/dev/null || die "the sound server did not come back"
  returned=$(now_ns)
  parec -d test_out.monitor --rate=8000 --channels=1 --format=s16le --latency-msec=10 >"$work/out$round.raw" &
  recorder=$!; pids+=("$recorder")
  pacat -d test_mic_feed --rate=8000 --channels=1 --format=s16le --latency-msec=20 "$work/tone.raw" &
  feed=$!; pids+=("$feed")
  back=
  for _ in $(seq 500); do
    if [ "$(grep -c 'sound is back' "$work/participant.err" || true)" -gt "$said" ]; then
      back=$(( ($(now_ns) - returned) / 1000000 )); break
    fi
    sleep 0.01
  done
  sleep 3
  stop "$feed"; stop "$recorder"
  # The first loud sample of the recording, counted from the return (the recorder started
  # right after it; its own start-up is not subtracted).
  heard=$(python3 -c 'import array, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
print(next((i * 1000 // 8000 for i, s in enumerate(samples) if abs(s) > 2000), -1))' "$work/out$round.raw")
  [ -n "$back" ] || die "round $round: the participant never said sound is back"
  [ "$heard" -ge 0 ] || die "round $round: the tone was never heard"
  echo "  restart $round: sound is back after $back ms, heard after $heard ms"
  back_ms+=("$back"); heard_ms+=("$heard")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "  median: sound is back after $(median "${back_ms[@]}") ms, heard after $(median "${heard_ms[@]}") ms"
