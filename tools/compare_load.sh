#!/usr/bin/env bash
# Two builds' cost to a listener while 15 others talk, measured in turn (not a test: prints figures).
#   tools/compare_load.sh BEFORE_BUILD_DIR [ROUNDS] [SECONDS]      (defaults 3 and 8)
# The scene of measure_load.sh: a private headless sound server, kovaro-relay, participant-host
# listening and voice-swarm with 15 speakers; one sound server serves every run, the programs
# are started afresh for each. The runs alternate, the build in BEFORE_BUILD_DIR and then
# KOVARO_BUILD_DIR (default build), ROUNDS times, so that what else the shared machine does
# falls on both alike (the second of a pair still costs about 0.9 points more: docs/audio.md).
# For SECONDS of full traffic, perf counts the CPU time (task-clock, exact where /proc's ticks
# are 10 ms), the system calls and the context switches of participant-host and of the sound
# server's own processes.
# Environment: SOUND_SERVER (pulse or pipewire), PARTICIPANT_OPTIONS (e.g. "--echo-cancel 0").
set -euo pipefail
before=${1:-}
rounds=${2:-3}
seconds=${3:-8}
[ -n "$before" ] && [[ $rounds =~ ^[1-9][0-9]*$ ]] && [[ $seconds =~ ^[1-9][0-9]*$ ]] ||
  { echo "usage: $0 BEFORE_BUILD_DIR [ROUNDS] [SECONDS]" >&2; exit 2; }
before=$(cd "$before" && pwd)

name=compare_load
programs="kovaro-relay participant-host voice-swarm"
source "$(dirname "$0")/measure_common.sh"
command -v perf >/dev/null || die "perf is missing (apt-get install linux-perf)"
for program in $programs; do
  [ -x "$before/bin/$program" ] || die "$before/bin/$program is missing"
done
events=task-clock,raw_syscalls:sys_enter,context-switches

# One run of the build in $1: its counts in $work/participant.stat and $work/server.stat.
measure() {
  local bin=$1/bin port relay participant swarm counting
  port=$(free_udp_port)
  "$bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
  relay=$!; pids+=("$relay")
  # shellcheck disable=SC2086
  "$bin/participant-host" listener 127.0.0.1 "$port" ${PARTICIPANT_OPTIONS:-} </dev/null >"$work/lines" \
    2>"$work/participant.err" &
  participant=$!; pids+=("$participant")
  wait_until_capturing "$participant" "$work/lines" || die "participant-host did not start: $(cat "$work/participant.err")"
  "$bin/voice-swarm" 127.0.0.1 "$port" 15 $((seconds + 3)) >/dev/null 2>&1 &
  swarm=$!; pids+=("$swarm")
  sleep 1
  perf stat -x, -e "$events" -p "$participant" -o "$work/participant.stat" -- sleep "$seconds" 2>/dev/null &
  counting=$!
  perf stat -x, -e "$events" -p "$(sound_server_pids | paste -sd, -)" -o "$work/server.stat" -- sleep "$seconds" \
    2>/dev/null || die "perf stat failed"
  wait "$counting" || die "perf stat failed"
  stop "$swarm"
  stop "$participant"
  stop "$relay"
}

# "CPU% syscalls/s switches/s" from a perf stat file.
figures() {
  awk -F, -v s="$seconds" '
    $3 == "task-clock" { cpu = $1 / (s * 10) }
    $3 == "raw_syscalls:sys_enter" { calls = $1 / s }
    $3 == "context-switches" { switches = $1 / s }
    END { printf "%.2f %.0f %.0f", cpu, calls, switches }' "$1"
}

echo "sound server: $sound_server, $rounds rounds of $seconds s, 15 speakers"
echo "build round | participant-host: % of a core, system calls/s, switches/s | sound server: the same"
for round in $(seq "$rounds"); do
  for side in before after; do
    [ "$side" = before ] && dir=$before || dir=$build
    measure "$dir"
    echo "$side $round | $(figures "$work/participant.stat") | $(figures "$work/server.stat")" | tee -a "$work/all"
  done
done
awk -F' [|] ' '
  { split($1, who, " "); split($2, p, " "); split($3, s, " "); n[who[1]]++
    for (i = 1; i <= 3; i++) { pp[who[1], i] += p[i]; ss[who[1], i] += s[i] } }
  END { for (w in n) printf "mean %s | %.2f %.0f %.0f | %.2f %.0f %.0f | sum %.2f\n", w,
          pp[w, 1] / n[w], pp[w, 2] / n[w], pp[w, 3] / n[w], ss[w, 1] / n[w], ss[w, 2] / n[w], ss[w, 3] / n[w],
          (pp[w, 1] + ss[w, 1]) / n[w] }' "$work/all" | sort -r
