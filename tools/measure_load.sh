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
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVARO_BUILD_DIR:-$root/build}
seconds=${1:-20}
speakers=${SPEAKERS:-15}

die() { echo "measure_load: $*" >&2; exit 1; }
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }
command -v python3 >/dev/null || die "python3 is missing (tools/setup.sh installs it)"

"$root/tools/build.sh" "$build" >/dev/null || die "build failed"
for program in relay-host participant-host voice-swarm; do
  [ -x "$build/bin/$program" ] || die "$build/bin/$program was not built"
done

work=$(mktemp -d /tmp/kovaro-load.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
  "$root/tools/pulse-down.sh" "$work/pulse" || true
  if [ "${KEEP:-0}" = 1 ]; then echo "measure_load: files kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

forget() {
  local rest=() p
  for p in "${pids[@]}"; do [ "$p" = "$1" ] || rest+=("$p"); done
  pids=("${rest[@]+"${rest[@]}"}")
}
stop() {
  kill -TERM "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  forget "$1"
}

# utime + stime of a process, in clock ticks.
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
now_ns() { date +%s%N; }

"$root/tools/pulse-up.sh" "$work/pulse" >/dev/null || die "the sound server did not start"
export PULSE_SERVER="unix:$work/pulse/run/pulse/native" HOME="$work/pulse/home"
port=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])')

"$build/bin/relay-host" "$port" 2>"$work/relay.err" &
relay=$!; pids+=("$relay")
"$build/bin/participant-host" load 127.0.0.1 "$port" </dev/null >"$work/participant.lines" 2>"$work/participant.err" &
participant=$!; pids+=("$participant")
for _ in $(seq 100); do
  grep -q '^meter 1103 ' "$work/participant.lines" 2>/dev/null && break
  kill -0 "$participant" 2>/dev/null || break
  sleep 0.05
done
grep -q '^meter 1103 ' "$work/participant.lines" ||
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
