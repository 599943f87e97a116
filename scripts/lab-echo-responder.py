#!/usr/bin/env python3
"""Answers ICMP and ICMPv6 echo requests in place of the kernel, slowly, partly, twice or not at all.

    lab-echo-responder.py CONTROL_FILE
    lab-echo-responder.py [--ready FILE] ADDRESS=BEHAVIOUR...

The first form answers echoes to every IPv4 address of the namespace as CONTROL_FILE says: "MEAN_MS
[SPREAD_MS]" (each answer waits MEAN +/- SPREAD, evenly spread) or "drop" (no answer). The second answers
echoes to each ADDRESS (IPv4 or IPv6, one process for all of them) as its BEHAVIOUR says:

    delay:MS      every echo, after MS milliseconds
    every:N       every N-th echo from each source address (the N-th, 2N-th, ...), at once; the others dropped
    dup:MS        every echo twice, both after MS milliseconds
    mode:FILE     as FILE says: "answer", "silent" or "alternate UP_S [DOWN_S]" (answers for UP_S seconds,
                  then is silent for DOWN_S, default UP_S, and again, counted from when FILE was last written)
    control:FILE  as CONTROL_FILE above

Files are read for every request, so they can be changed while this runs. --ready FILE is written once
every address is bound, so whoever starts this knows when echoes get answered. Meant for lab namespaces
whose kernel ignores echoes (net.ipv4.icmp_echo_ignore_all=1, net.ipv6.icmp.echo_ignore_all=1) on machines
without the netem queueing discipline.
"""
import heapq
import ipaddress
import os
import random
import select
import socket
import struct
import sys
import time

ECHO_REQUEST = {socket.AF_INET: 8, socket.AF_INET6: 128}
ECHO_REPLY = {socket.AF_INET: 0, socket.AF_INET6: 129}


def checksum(data: bytes) -> int:
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack(f"!{len(data) // 2}H", data))
    total = (total >> 16) + (total & 0xFFFF)
    total += total >> 16
    return ~total & 0xFFFF


def read_words(path: str) -> list:
    try:
        with open(path) as f:
            return f.read().split()
    except OSError:
        return []


class Control:
    """The delay file of the first form: MEAN_MS [SPREAD_MS] or drop."""

    def __init__(self, path: str):
        self.path = path

    def answers(self, source: str) -> list:
        words = read_words(self.path)
        if words and words[0] == "drop":
            return []
        mean = float(words[0]) if words else 0.0
        spread = float(words[1]) if len(words) > 1 else 0.0
        return [max(0.0, random.uniform(mean - spread, mean + spread))]


class Delay:
    def __init__(self, ms: str):
        self.ms = float(ms)

    def answers(self, source: str) -> list:
        return [self.ms]


class Every:
    def __init__(self, n: str):
        self.n = int(n)
        if self.n < 1:
            raise ValueError("every:N needs N >= 1")
        self.seen = {}

    def answers(self, source: str) -> list:
        self.seen[source] = self.seen.get(source, 0) + 1
        return [0.0] if self.seen[source] % self.n == 0 else []


class Dup:
    def __init__(self, ms: str):
        self.ms = float(ms)

    def answers(self, source: str) -> list:
        return [self.ms, self.ms]


class Mode:
    def __init__(self, path: str):
        self.path = path

    def answers(self, source: str) -> list:
        words = read_words(self.path)
        if not words or words[0] == "answer":
            return [0.0]
        if words[0] == "alternate" and len(words) > 1:
            up = float(words[1])
            down = float(words[2]) if len(words) > 2 else up
            try:
                since = time.time() - os.stat(self.path).st_mtime
            except OSError:
                return [0.0]
            return [0.0] if up + down <= 0 or since % (up + down) < up else []
        return []  # silent, and anything it does not know


BEHAVIOURS = {"delay": Delay, "every": Every, "dup": Dup, "mode": Mode, "control": Control}


def open_socket(address: str):
    family = socket.AF_INET6 if ipaddress.ip_address(address).version == 6 else socket.AF_INET
    proto = socket.IPPROTO_ICMPV6 if family == socket.AF_INET6 else socket.IPPROTO_ICMP
    # Bound to its address, a raw socket sees only the packets to that address and answers from it. The
    # kernel fills in the ICMPv6 checksum (pseudo-header included) on every raw ICMPv6 socket by itself.
    sock = socket.socket(family, socket.SOCK_RAW, proto)
    sock.bind((address, 0))
    sock.setblocking(False)
    return sock, family


def reply_to(packet: bytes, family: int):
    if family == socket.AF_INET:
        packet = packet[(packet[0] & 0x0F) * 4:]  # IPv4 raw sockets hand over the IP header too
    if len(packet) < 8 or packet[0] != ECHO_REQUEST[family] or packet[1] != 0:
        return None
    reply = bytearray(packet)
    reply[0] = ECHO_REPLY[family]
    reply[2:4] = b"\0\0"
    if family == socket.AF_INET:
        struct.pack_into("!H", reply, 2, checksum(bytes(reply)))
    return bytes(reply)


def parse(args: list):
    ready = None
    bindings = []
    if len(args) == 1 and "=" not in args[0]:
        return None, [("0.0.0.0", Control(args[0]))]
    while args:
        arg = args.pop(0)
        if arg == "--ready" and args:
            ready = args.pop(0)
            continue
        address, sep, behaviour = arg.partition("=")
        kind, _, value = behaviour.partition(":")
        if not sep or kind not in BEHAVIOURS:
            sys.exit(f"lab-echo-responder: cannot read {arg!r} (see the usage at the top of this file)")
        bindings.append((address, BEHAVIOURS[kind](value)))
    if not bindings:
        sys.exit("lab-echo-responder: no ADDRESS=BEHAVIOUR given")
    return ready, bindings


def main() -> None:
    ready, bindings = parse(sys.argv[1:])
    sockets = {}
    for address, behaviour in bindings:
        sock, family = open_socket(address)
        sockets[sock] = (family, behaviour)
    if ready:
        with open(ready, "w") as f:
            f.write(f"{os.getpid()}\n")
    pending = []  # (due, order, socket, reply, destination): one thread keeps every delay
    order = 0
    while True:
        timeout = max(0.0, pending[0][0] - time.monotonic()) if pending else None
        readable, _, _ = select.select(list(sockets), [], [], timeout)
        for sock in readable:
            family, behaviour = sockets[sock]
            try:
                packet, source = sock.recvfrom(65535)
            except BlockingIOError:
                continue
            reply = reply_to(packet, family)
            if reply is None:
                continue
            try:
                waits = behaviour.answers(source[0])
            except ValueError:
                waits = []  # a control file it cannot read: as silent as the host it stands for
            now = time.monotonic()
            for wait in waits:
                order += 1
                heapq.heappush(pending, (now + wait / 1000.0, order, sock, reply, source))
        now = time.monotonic()
        while pending and pending[0][0] <= now:
            _, _, sock, reply, source = heapq.heappop(pending)
            try:
                sock.sendto(reply, source)
            except OSError:
                pass  # the route back went away (the lab is coming down)


if __name__ == "__main__":
    main()
