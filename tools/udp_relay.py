#!/usr/bin/env python3
"""A lossy, slow UDP relay for network tests: what a bad wireless LAN does to datagrams,
without netem (this kernel has none).

Listens on one address and forwards every datagram to a target address, through one upstream
socket per client address so that the target sees each client as its own peer and its answers
find their way back. Each datagram, in either direction, is dropped with probability `drop`
and otherwise sent on after a uniform delay between `min_delay` and `max_delay` seconds; the
independent delays reorder datagrams. Drops and delays come from one seeded generator, so a
given order of arrivals always gets the same fate.

The listening socket may live in another network namespace than the relay (`listen_netns`,
for instance /proc/PID/ns/net of the program that connects through it): a host bound to the
wildcard address owns its port on every local address, so a relay in front of it on the same
port needs a namespace of its own.

  python3 tools/udp_relay.py --listen 3386 --target 3390 --drop 0.2 --seed 7

Counters go to standard output on SIGTERM or SIGINT, then the relay exits.
"""

import argparse
import ctypes
import heapq
import os
import random
import selectors
import signal
import socket
import threading
import time

CLONE_NEWNET = 0x40000000


def _setns(fd):
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.setns(fd, CLONE_NEWNET) != 0:
        err = ctypes.get_errno()
        raise OSError(err, "setns: " + os.strerror(err))


def udp_socket_in(netns, address):
    """A UDP socket bound to `address`, made inside the network namespace at path `netns`
    (None: the caller's own). A socket stays in the namespace it was made in, so only this
    thread visits the other namespace, and only for the moment of making it."""
    if netns is None:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(address)
        return s
    own = os.open("/proc/thread-self/ns/net", os.O_RDONLY)
    other = os.open(netns, os.O_RDONLY)
    try:
        _setns(other)
        try:
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.bind(address)
        finally:
            _setns(own)
        return s
    finally:
        os.close(own)
        os.close(other)


class Relay:
    def __init__(self, listen_port, target_port, drop=0.2, min_delay=0.1, max_delay=0.3,
                 seed=None, listen_host="127.0.0.1", target_host="127.0.0.1",
                 listen_netns=None):
        self.listen = (listen_host, listen_port)
        self.target = (target_host, target_port)
        self.drop = drop
        self.min_delay = min_delay
        self.max_delay = max_delay
        self.listen_netns = listen_netns
        self.rng = random.Random(seed)
        self.counters = dict(clients=0, up_received=0, up_dropped=0, up_sent=0,
                             down_received=0, down_dropped=0, down_sent=0)
        self._lock = threading.Lock()
        self._pending = []  # heap of (due, sequence, socket, data, address, direction)
        self._sequence = 0
        self._upstream = {}  # client address -> upstream socket
        self._client_of = {}  # upstream socket -> client address
        self._thread = None
        self._stopping = False
        self._wake_r, self._wake_w = socket.socketpair()
        self.sock = None

    def start(self):
        self.sock = udp_socket_in(self.listen_netns, self.listen)
        self.sock.setblocking(False)
        self._thread = threading.Thread(target=self._run, name="udp-relay", daemon=True)
        self._thread.start()
        return self

    def stop(self):
        """Stops forwarding (datagrams still waiting are dropped) and returns the counters."""
        if self._thread is not None:
            self._stopping = True
            self._wake_w.send(b"x")
            self._thread.join(5)
            self._thread = None
        for s in list(self._upstream.values()) + [self.sock]:
            if s is not None:
                s.close()
        self._upstream.clear()
        self._client_of.clear()
        self._wake_r.close()
        self._wake_w.close()
        return self.snapshot()

    def snapshot(self):
        with self._lock:
            return dict(self.counters)

    def summary(self):
        c = self.snapshot()
        return ("relay {l[0]}:{l[1]} -> {t[0]}:{t[1]}: {clients} client(s); to target "
                "{up_received} in, {up_dropped} dropped, {up_sent} sent; back "
                "{down_received} in, {down_dropped} dropped, {down_sent} sent").format(
                    l=self.listen, t=self.target, **c)

    def _count(self, key):
        with self._lock:
            self.counters[key] += 1

    def _schedule(self, sock, data, address, direction):
        self._count(direction + "_received")
        if self.rng.random() < self.drop:
            self._count(direction + "_dropped")
            return
        due = time.monotonic() + self.rng.uniform(self.min_delay, self.max_delay)
        self._sequence += 1
        heapq.heappush(self._pending, (due, self._sequence, sock, data, address, direction))

    def _upstream_for(self, client, selector):
        s = self._upstream.get(client)
        if s is None:
            # In the relay's own namespace, where the target lives.
            s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            s.bind((self.target[0], 0))
            s.setblocking(False)
            self._upstream[client] = s
            self._client_of[s] = client
            selector.register(s, selectors.EVENT_READ)
            self._count("clients")
        return s

    def _run(self):
        selector = selectors.DefaultSelector()
        selector.register(self.sock, selectors.EVENT_READ)
        selector.register(self._wake_r, selectors.EVENT_READ)
        while not self._stopping:
            timeout = None
            if self._pending:
                timeout = max(0.0, self._pending[0][0] - time.monotonic())
            for key, _ in selector.select(timeout):
                s = key.fileobj
                if s is self._wake_r:
                    s.recv(64)
                    continue
                while True:
                    try:
                        data, address = s.recvfrom(65536)
                    except (BlockingIOError, InterruptedError):
                        break
                    except OSError:
                        # An ICMP error from an earlier send (nobody listening yet).
                        continue
                    if s is self.sock:
                        up = self._upstream_for(address, selector)
                        self._schedule(up, data, self.target, "up")
                    else:
                        self._schedule(self.sock, data, self._client_of[s], "down")
            now = time.monotonic()
            while self._pending and self._pending[0][0] <= now:
                _, _, sock, data, address, direction = heapq.heappop(self._pending)
                try:
                    sock.sendto(data, address)
                    self._count(direction + "_sent")
                except OSError:
                    self._count(direction + "_dropped")
        selector.close()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--listen", type=int, required=True, help="port to listen on")
    ap.add_argument("--target", type=int, required=True, help="port to forward to")
    ap.add_argument("--listen-host", default="127.0.0.1")
    ap.add_argument("--target-host", default="127.0.0.1")
    ap.add_argument("--listen-netns", help="network namespace file of the listening socket")
    ap.add_argument("--drop", type=float, default=0.2, help="drop probability (0.2)")
    ap.add_argument("--min-delay", type=float, default=0.1, help="seconds (0.1)")
    ap.add_argument("--max-delay", type=float, default=0.3, help="seconds (0.3)")
    ap.add_argument("--seed", type=int, default=None)
    a = ap.parse_args()
    relay = Relay(a.listen, a.target, drop=a.drop, min_delay=a.min_delay,
                  max_delay=a.max_delay, seed=a.seed, listen_host=a.listen_host,
                  target_host=a.target_host, listen_netns=a.listen_netns).start()
    done = threading.Event()
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: done.set())
    print(f"relaying {a.listen_host}:{a.listen} -> {a.target_host}:{a.target}", flush=True)
    while not done.wait(1):
        pass
    relay.stop()
    print(relay.summary(), flush=True)


if __name__ == "__main__":
    main()
