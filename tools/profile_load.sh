#!/usr/bin/env bash
# Where a listener's CPU goes while 15 others talk (not a test: prints profiles).
#   tools/profile_load.sh [SECONDS]      (default 15)
# The scene of measure_load.sh: a private headless sound server, kovaro-relay, participant-host
# listening and voice-swarm with 15 speakers. perf samples participant-host and, separately,
# the sound server's own processes (which mix and resample its sixteen streams) for SECONDS,
# and prints for each the share of the samples by process and the functions with most samples
# of their own, and then, over as long again, the system calls and context switches a second.
# Environment: KOVARO_BUILD_DIR (default build), SOUND_SERVER (pulse or pipewire), LISTENER
# (participant-host, the default, or kovaro: the window on a private X server), KEEP=1 keeps
# the folder with both perf.data files, TOP (default 25) functions per profile, CALL_GRAPH (fp, the
# default, or dwarf: callers through libraries built without frame pointers, at a larger cost).
set -euo pipefail
seconds=${1:-15}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }
top=${TOP:-25}

name=profile_load
listener=${LISTENER:-participant-host}
programs="kovaro-relay $listener voice-swarm"
source "$(dirname "$0")/measure_common.sh"
command -v perf >/dev/null || die "perf is missing (apt-get install linux-perf)"

port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
pids+=("$!")
case $listener in
  participant-host)
    "$build/bin/participant-host" listener 127.0.0.1 "$port" </dev/null >"$work/participant.lines" 2>"$work/participant.err" &
    participant=$!; pids+=("$participant")
    wait_until_capturing "$participant" "$work/participant.lines" || die "participant-host did not start: $(cat "$work/participant.err")"
    ;;
  kovaro)
    source "$root/tools/x_display.sh"
    start_xvfb
    start_joined_kovaro profile "$port"
    participant=$started
    ;;
  *) die "LISTENER is participant-host or kovaro" ;;
esac
"$build/bin/voice-swarm" 127.0.0.1 "$port" 15 $((2 * seconds + 3)) >"$work/swarm.out" 2>&1 &
swarm=$!; pids+=("$swarm")
sleep 1

server=$(sound_server_pids | paste -sd, -)
perf record -q -F 999 --call-graph "${CALL_GRAPH:-fp}" -p "$participant" -o "$work/participant.perf" -- sleep "$seconds" 2>"$work/perf-participant.err" &
first=$!
perf record -q -F 999 --call-graph "${CALL_GRAPH:-fp}" -p "$server" -o "$work/server.perf" -- sleep "$seconds" 2>"$work/perf-server.err" &
second=$!
wait "$first" || die "perf failed: $(cat "$work/perf-participant.err")"
wait "$second" || die "perf failed: $(cat "$work/perf-server.err")"
# The cost is mostly the messages and wake-ups: count them, per second, over the same scene.
count_events() {
  perf stat -x, -e raw_syscalls:sys_enter,context-switches -p "$2" -o "$work/$1.stat" -- sleep "$seconds" 2>/dev/null
}
count_events participant "$participant" &
first=$!
count_events server "$server" &
second=$!
wait "$first" "$second" || die "perf stat failed"
wait "$swarm" || true
forget "$swarm"

report() {
  echo "== $1: samples by process"
  perf report -i "$2" --no-children --sort comm --stdio -g none 2>/dev/null | grep -E '^ +[0-9]' | head -8 || true
  echo "== $1: functions with most samples of their own"
  perf report -i "$2" --no-children --sort dso,symbol --stdio -g none 2>/dev/null | grep -E '^ +[0-9]' |
    head -"$top" || true
}
echo "sound server: $sound_server, $seconds s, 15 speakers"
for side in participant server; do
  awk -F, -v side="$side" -v s="$seconds" '$1 ~ /^[0-9]/ { printf "== %s: %s %.0f a second\n", side, $3, $1 / s }' \
    "$work/$side.stat"
done
report "$listener" "$work/participant.perf"
report "the sound server ($server)" "$work/server.perf"
