#!/usr/bin/env bash
# How much the relay sends to the address of a forged join (not a test: prints figures).
#   tools/measure_reflection.sh [SECONDS]      (default 30)
# kovaro-relay, voice-swarm with 15 speakers, and tools/reflection_probe.py as the socket whose
# address a spoofer forged: one MSG_JOIN, then a 12-byte MSG_PING every 2 s. Prints the bytes
# the probe sent and received and their ratio over the whole run and after STEADY_AFTER
# seconds (once any start allowance is spent), then whether the speakers still heard every frame.
# Environment: KOVARO_BUILD_DIR (default build), SPEAKERS (default 15), STEADY_AFTER (default
# 10), REJOIN=1 makes the probe join with a new key every 2 s instead of pinging, KEEP=1
# keeps the folder.
set -euo pipefail
seconds=${1:-30}
speakers=${SPEAKERS:-15}
steady_after=${STEADY_AFTER:-10}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }
[[ $steady_after =~ ^[0-9]+$ ]] && [ "$steady_after" -lt "$seconds" ] ||
  { echo "$0: STEADY_AFTER must be a whole number of seconds below SECONDS" >&2; exit 2; }

name=measure_reflection
programs="kovaro-relay voice-swarm"
source "$(dirname "$0")/measure_common.sh"

port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.err" &
relay=$!; pids+=("$relay")
# The swarm talks one second before the probe joins and one after it ends.
"$build/bin/voice-swarm" 127.0.0.1 "$port" "$speakers" $((seconds + 2)) >"$work/swarm.out" 2>&1 &
swarm=$!; pids+=("$swarm")
sleep 1
probe_args=(127.0.0.1 "$port" "$seconds" "$steady_after")
[ "${REJOIN:-0}" = 1 ] && probe_args+=(--rejoin)
python3 "$root/tools/reflection_probe.py" "${probe_args[@]}"
swarm_status=0
wait "$swarm" || swarm_status=$?
forget "$swarm"
[ $swarm_status = 0 ] || die "voice-swarm failed: $(cat "$work/swarm.out")"
stop "$relay"
echo "kovaro-relay at $(git -C "$root" rev-parse --short HEAD), $speakers speakers:"
grep -E '^(admitted|member-to-member)' "$work/swarm.out" | sed 's/^/  /'
