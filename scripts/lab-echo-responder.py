#!/usr/bin/env python3
"""Answers ICMP echo requests in place of the kernel, after a delay that a control file sets.

    lab-echo-responder.py CONTROL_FILE

The file holds "MEAN_MS [SPREAD_MS]" (each answer waits MEAN +/- SPREAD, evenly spread) or "drop" (no
answer). Read for every request, so it can be changed while this runs. Meant for a lab namespace whose
kernel ignores echoes (net.ipv4.icmp_echo_ignore_all=1) on machines without the netem queueing discipline.
"""
import random
import socket
import struct
import sys
import threading


def checksum(data: bytes) -> int:
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack(f"!{len(data) // 2}H", data))
    total = (total >> 16) + (total & 0xFFFF)
    total += total >> 16
    return ~total & 0xFFFF


def delay_ms(control: str):
    try:
        with open(control) as f:
            words = f.read().split()
    except OSError:
        words = []
    if words and words[0] == "drop":
        return None
    mean = float(words[0]) if words else 0.0
    spread = float(words[1]) if len(words) > 1 else 0.0
    return max(0.0, random.uniform(mean - spread, mean + spread))


def main() -> None:
    control = sys.argv[1]
    sock = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    while True:
        packet, (source, _) = sock.recvfrom(65535)
        icmp = packet[(packet[0] & 0x0F) * 4:]
        if len(icmp) < 8 or icmp[0] != 8:  # echo requests only
            continue
        wait = delay_ms(control)
        if wait is None:
            continue
        reply = bytearray(icmp)
        reply[0] = 0
        reply[2:4] = b"\0\0"
        struct.pack_into("!H", reply, 2, checksum(bytes(reply)))
        threading.Timer(wait / 1000.0, sock.sendto, (bytes(reply), (source, 0))).start()


if __name__ == "__main__":
    main()
