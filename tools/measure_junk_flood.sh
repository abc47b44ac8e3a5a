#!/usr/bin/env bash
# Lines the relay writes to its log under a flood of foreign datagrams (wrong magic, 20,000 a
# second by default) for SECONDS, and how many datagrams the flood really sent.
#   tools/measure_junk_flood.sh [SECONDS] [RATE]
set -euo pipefail
name=measure_junk_flood
programs=kovaro-relay
source "$(dirname "$0")/measure_common.sh"
seconds=${1:-30}
rate=${2:-20000}
port=$(free_udp_port)
"$build/bin/kovaro-relay" --port "$port" 2>"$work/relay.log" </dev/null &
pids+=($!)
sleep 0.3
python3 - "$port" "$seconds" "$rate" <<'PY'
import socket, sys, time
port, seconds, rate = int(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
junk = b"\x00junk-datagram"
sent, start = 0, time.monotonic()
while True:
    elapsed = time.monotonic() - start
    if elapsed >= seconds:
        break
    due = int(elapsed * rate) + 100
    while sent < due:
        s.sendto(junk, ("127.0.0.1", port))
        sent += 1
print(f"flood: {sent} datagrams in {seconds:g} s ({sent / seconds:.0f} per second)")
PY
sleep 1.2
stop "${pids[0]}"
echo "relay log: $(wc -l < "$work/relay.log") lines, $(wc -c < "$work/relay.log") bytes"
grep -c 'more not shown' "$work/relay.log" | sed 's/^/summary lines: /' || true
