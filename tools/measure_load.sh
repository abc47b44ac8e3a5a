#!/usr/bin/env bash
# CPU share and memory of a participant while 15 others talk (not a test: prints figures).
#   tools/measure_load.sh [SECONDS]      (default 20)
# A private headless PulseAudio, relay-host, one participant-host joined through it, and
# voice-swarm with 15 simulated speakers. Over SECONDS of full traffic the script samples
# utime + stime of participant-host and relay-host from /proc/PID/stat (CPU share in % of
# one core = CPU time / elapsed time) and VmRSS and VmHWM of participant-host from
# /proc/PID/status; then prints the swarm's own summary.
# Environment: KOVARO_BUILD_DIR (default build), SPEAKERS (default 15), KEEP=1 keeps the folder.
set -euo pipefail
seconds=${1:-20}
speakers=${SPEAKERS:-15}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }

name=measure_load
programs="relay-host participant-host voice-swarm"
source "$(dirname "$0")/measure_common.sh"

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
now_ns() { date +%s%N; }

port=$(free_udp_port)

"$build/bin/relay-host" "$port" 2>"$work/relay.err" &
relay=$!; pids+=("$relay")
"$build/bin/participant-host" load 127.0.0.1 "$port" </dev/null >"$work/participant.lines" 2>"$work/participant.err" &
participant=$!; pids+=("$participant")
wait_until_capturing "$participant" "$work/participant.lines" ||
  die "participant-host did not start: $(cat "$work/participant.lines" "$work/participant.err")"
idle_rss=$(status_kb "$participant" VmRSS)

# The swarm talks for two more seconds than the sample window: one to settle, one spare.
"$build/bin/voice-swarm" 127.0.0.1 "$port" "$speakers" $((seconds + 2)) >"$work/swarm.out" 2>&1 &
swarm=$!; pids+=("$swarm")
sleep 1
hz=$(getconf CLK_TCK)
start_ns=$(now_ns)
participant_start=$(cpu_ticks "$participant")
relay_start=$(cpu_ticks "$relay")
sleep "$seconds"
participant_end=$(cpu_ticks "$participant")
relay_end=$(cpu_ticks "$relay")
end_ns=$(now_ns)
rss=$(status_kb "$participant" VmRSS)
hwm=$(status_kb "$participant" VmHWM)
threads=$(status_kb "$participant" Threads)
lines_before=$(wc -l <"$work/participant.lines")
swarm_status=0
wait "$swarm" || swarm_status=$?
forget "$swarm"
[ $swarm_status = 0 ] || die "voice-swarm failed: $(cat "$work/swarm.out")"
stop "$participant"
stop "$relay"

meters=$(grep -c '^meter 13' "$work/participant.lines" || true)
awk -v p=$((participant_end - participant_start)) -v r=$((relay_end - relay_start)) -v hz="$hz" \
    -v ns=$((end_ns - start_ns)) -v rss="$rss" -v hwm="$hwm" -v idle="$idle_rss" -v threads="$threads" \
    -v speakers="$speakers" 'BEGIN {
  elapsed = ns / 1e9
  printf "participant-host with %d other speakers through relay-host, sampled over %.2f s:\n", speakers, elapsed
  printf "  participant-host CPU: %.2f %% of one core (%d ticks of 1/%d s)\n", 100 * p / hz / elapsed, p, hz
  printf "  participant-host memory: VmRSS %d kB (before the swarm %d kB), VmHWM %d kB, %d threads\n", rss, idle, hwm, threads
  printf "  relay-host CPU: %.2f %% of one core (%d ticks)\n", 100 * r / hz / elapsed, r
}'
echo "  participant-host slot meter updates printed: $meters (window lines so far: $lines_before)"
echo "voice-swarm summary:"
sed 's/^/  /' "$work/swarm.out"
