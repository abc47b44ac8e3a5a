#!/usr/bin/env bash
# How far one machine goes with kovaro-relay (not a test: prints figures).
#   tools/measure_hosting.sh [SECONDS]   (default 20)
# One relay relaying a full conference (voice-swarm: 16 speakers), then 8 relays side by side,
# each with a conference of 16 speakers of its own, in one run. Prints each relay's CPU share
# (utime + stime over the talking part of the run, in % of one core) and VmRSS, the total, and
# from the mean the conferences one core carries. The speakers' own CPU is printed too: on a
# small machine they compete with the relays for the same cores.
set -euo pipefail
name=measure_hosting
programs="kovaro-relay voice-swarm"
seconds=${1:-20}
source "$(dirname "$0")/measure_common.sh"

run_conferences() {
  local count=$1 relays=() swarms=() ports=() i start_ns end_ns
  for ((i = 0; i < count; i++)); do
    ports+=("$(free_udp_port)")
    "$build/bin/kovaro-relay" --port "${ports[i]}" 2>"$work/relay-$count-$i.err" &
    relays+=($!); pids+=($!)
  done
  sleep 0.3
  for ((i = 0; i < count; i++)); do
    "$build/bin/voice-swarm" 127.0.0.1 "${ports[i]}" 16 "$seconds" >"$work/swarm-$count-$i.out" 2>&1 &
    swarms+=($!); pids+=($!)
  done
  # Everyone has joined and talks after 2 s; the last second is left out.
  sleep 2
  local r0=() s0=0 r1 s1=0
  for pid in "${relays[@]}"; do r0+=("$(cpu_ticks "$pid")"); done
  for pid in "${swarms[@]}"; do s0=$((s0 + $(cpu_ticks "$pid"))); done
  start_ns=$(now_ns)
  sleep $((seconds - 3))
  end_ns=$(now_ns)
  for pid in "${swarms[@]}"; do s1=$((s1 + $(cpu_ticks "$pid"))); done
  echo "== $count relay(s), 16 speakers each, sampled over $(awk -v n=$((end_ns - start_ns)) 'BEGIN { printf "%.1f", n / 1e9 }') s"
  local total=0
  for ((i = 0; i < count; i++)); do
    r1=$(cpu_ticks "${relays[i]}")
    total=$((total + r1 - r0[i]))
    awk -v t=$((r1 - r0[i])) -v hz="$hz" -v ns=$((end_ns - start_ns)) -v rss="$(status_kb "${relays[i]}" VmRSS)" -v i="$i" \
      'BEGIN { printf "  relay %d: CPU %.2f %% of one core, VmRSS %.1f MB\n", i + 1, 100 * t / hz / (ns / 1e9), rss / 1024 }'
  done
  awk -v t="$total" -v c="$count" -v hz="$hz" -v ns=$((end_ns - start_ns)) -v s=$((s1 - s0)) 'BEGIN {
    secs = ns / 1e9; per = 100 * t / hz / secs / c
    printf "  relays together: %.2f %% of one core, %.2f %% each on average: %.0f conferences per core\n", 100 * t / hz / secs, per, (per > 0 ? 100 / per : 0)
    printf "  the speakers (voice-swarm) together: %.2f %% of one core\n", 100 * s / hz / secs }'
  for pid in "${swarms[@]}"; do wait "$pid" || true; forget "$pid"; done
  grep -h "member-to-member copies missing" "$work"/swarm-"$count"-*.out | sort | uniq -c || true
  for pid in "${relays[@]}"; do stop "$pid"; done
}

echo "kovaro-relay at $(git -C "$root" rev-parse --short HEAD), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
run_conferences 1
run_conferences 8
