#!/usr/bin/env python3
"""The receiving end of a forged join, as tools/measure_reflection.sh runs it.

    reflection_probe.py HOST PORT SECONDS STEADY_AFTER [--rejoin]

Sends one MSG_JOIN, then a 12-byte MSG_PING every 2 s, just what a spoofer would send in the
name of this socket, and counts every byte the relay sends back. With --rejoin every 2 s brings
a MSG_JOIN with a new session key instead, as a spoofer after fresh allowances would do.
Prints bytes in (sent to the relay), bytes out (sent by the relay) and their ratio, over the
whole run and from STEADY_AFTER seconds on.
"""
import random
import select
import socket
import struct
import sys
import time

MAGIC = b"QUOX"
MSG_JOIN = 0x10
MSG_PING = 0x15
SEND_PERIOD = 2.0


def datagram(key, code, payload=b""):
    return MAGIC + struct.pack("<II", key, code) + payload


def main():
    args = [a for a in sys.argv[1:] if a != "--rejoin"]
    rejoin = "--rejoin" in sys.argv[1:]
    if len(args) != 4:
        sys.exit(__doc__)
    host, port, seconds, steady_after = args[0], int(args[1]), float(args[2]), float(args[3])
    relay = (host, port)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 1 << 20)
    sock.bind(("127.0.0.1", 0))

    join_payload = b"spoofed".ljust(16, b"\0")
    key = random.getrandbits(32)
    sent = {"all": 0, "steady": 0}
    received = {"all": 0, "steady": 0}
    joins = 0

    def send(bytes_, at):
        sock.sendto(bytes_, relay)
        sent["all"] += len(bytes_)
        if at >= steady_after:
            sent["steady"] += len(bytes_)

    start = time.monotonic()
    send(datagram(key, MSG_JOIN, join_payload), 0.0)
    joins += 1
    next_send = SEND_PERIOD
    buffer = bytearray(2048)
    while True:
        now = time.monotonic() - start
        if now >= seconds:
            break
        if now >= next_send:
            if rejoin:
                key = random.getrandbits(32)
                send(datagram(key, MSG_JOIN, join_payload), now)
                joins += 1
            else:
                send(datagram(key, MSG_PING), now)
            next_send += SEND_PERIOD
            continue
        ready, _, _ = select.select([sock], [], [], min(next_send, seconds) - now)
        if not ready:
            continue
        length = sock.recv_into(buffer)
        received["all"] += length
        if time.monotonic() - start >= steady_after:
            received["steady"] += length

    def ratio(out, into):
        return f"{out / into:.1f}" if into else "n/a"

    steady_seconds = seconds - steady_after
    print(f"probe: {'a new join' if rejoin else 'one join, then a ping'} every {SEND_PERIOD:g} s "
          f"for {seconds:g} s ({joins} join(s))")
    print(f"  whole run:   bytes in {sent['all']}, bytes out {received['all']}, "
          f"ratio {ratio(received['all'], sent['all'])}, "
          f"out {received['all'] / seconds:.0f} B/s")
    print(f"  from {steady_after:g} s: bytes in {sent['steady']}, bytes out {received['steady']}, "
          f"ratio {ratio(received['steady'], sent['steady'])}, "
          f"out {received['steady'] / steady_seconds if steady_seconds > 0 else 0:.0f} B/s")


if __name__ == "__main__":
    main()
