#!/usr/bin/env python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later
"""bench/bridge_bench.py: ptzdeck-bridge on loopback, four simulated cameras; a
markdown section on stdout.

  bench/bridge_bench.py [--build-dir DIR] [--seconds S] [--idle-seconds S]

Four clients, one per camera, each send a zoom command (tele, then stop) at
20 Hz over raw VISCA/UDP: the ACK's latency at the client, and the time from
sending a command to its camera's request in requests.log (followed with
inotify, so the reader sleeps until the line is written). Then again while a
fifth client floods camera 1 with 10,000 datagrams a second. Idle: the
bridge's threads' context switches over a quiet spell, and its memory.

Budgets: ACK p99 under 1 ms; command to request median under 1 ms; under the
flood no other client's ACK over 5 ms and no camera left moving; no idle
wake-up.
"""

import argparse
import ctypes
import multiprocessing
import os
import socket
import statistics
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[:0] = [os.path.join(ROOT, "bench"), os.path.join(ROOT, "tests", "bridge")]

import procinfo  # noqa: E402
from bridge import Bridge, wait_until  # noqa: E402

CAMERAS = ("cam1", "cam2", "cam3", "cam4")
ZOOM_TELE, ZOOM_STOP = bytes.fromhex("8101040702ff"), bytes.fromhex("8101040700ff")
IN_MODIFY = 0x2


class LogFollower(threading.Thread):
    """Stamps each new requests.log line with the time it was seen."""

    def __init__(self, path):
        super().__init__(daemon=True)
        open(path, "a").close()  # the bus appends to it; it may not be there yet
        libc = ctypes.CDLL(None, use_errno=True)
        self.fd = libc.inotify_init1(os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(self.fd, path.encode(), IN_MODIFY) < 0:
            raise OSError(ctypes.get_errno(), "inotify")
        self.file = open(path)
        self.file.seek(0, os.SEEK_END)
        self.lines = []  # (time, line)
        self.stop = False

    def run(self):
        rest = ""
        while not self.stop:
            os.read(self.fd, 4096)
            now = time.perf_counter()
            rest += self.file.read()
            *whole, rest = rest.split("\n")
            self.lines += [(now, line) for line in whole]


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def client_run(port, seconds, results):
    acks, sends, errors = [], [], []
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(2)
    period, start, n = 0.05, time.perf_counter(), 0
    while time.perf_counter() - start < seconds or n % 2:
        command = ZOOM_TELE if n % 2 == 0 else ZOOM_STOP
        due = start + n * period
        time.sleep(max(0.0, due - time.perf_counter()))
        sent = time.perf_counter()
        s.sendto(command, ("127.0.0.1", port))
        try:
            ack = s.recv(64)
            got = time.perf_counter()
            completion = s.recv(64)
        except socket.timeout:
            errors.append("timeout")
            n += 1
            continue
        if ack != bytes.fromhex("9041ff") or completion != bytes.fromhex("9051ff"):
            errors.append((ack.hex(), completion.hex()))
        acks.append((got - sent) * 1000)
        sends.append(sent)
        n += 1
    s.close()
    results.put((port, acks, sends, errors))


def flood_run(port, rate, stop, count):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setblocking(False)
    inquiry = bytes.fromhex("81090447ff")
    sent, start = 0, time.perf_counter()
    while not stop.is_set():
        due = start + sent / rate
        now = time.perf_counter()
        if now < due:
            time.sleep(min(0.001, due - now))
            continue
        try:
            s.sendto(inquiry, ("127.0.0.1", port))
        except BlockingIOError:
            pass
        sent += 1
        try:
            while True:
                s.recv(64)
        except BlockingIOError:
            pass
    s.close()
    count.value = int(sent / (time.perf_counter() - start))


def load(bridge, seconds, flood):
    follower = LogFollower(os.path.join(bridge.bus, "requests.log"))
    follower.start()
    # Each client, and the flood, a process of its own: one interpreter's
    # lock would otherwise add its waits to the latencies measured.
    queue = multiprocessing.Queue()
    clients = [multiprocessing.Process(target=client_run, args=(bridge.raw + i, seconds, queue))
               for i in range(len(CAMERAS))]
    stop = multiprocessing.Event()
    count = multiprocessing.Value("q", 0)  # datagrams a second, as sent
    flooder = multiprocessing.Process(target=flood_run, args=(bridge.raw, 10000, stop, count))
    if flood:
        flooder.start()
    for c in clients:
        c.start()
    by_port = dict((port, rest) for port, *rest in (queue.get() for _ in clients))
    for c in clients:
        c.join()
    stop.set()
    if flood:
        flooder.join()
    results = {name: by_port[bridge.raw + i] for i, name in enumerate(CAMERAS)}
    time.sleep(0.2)  # the last lines land; the measurement is over
    follower.stop = True
    acks, delays, errors = [], [], []
    for name in CAMERAS:
        a, sends, e = results[name]
        acks += a
        errors += e
        lines = [t for t, line in follower.lines if line.startswith(f"{name} ks-set camera-control 13 ")]
        delays += [(t - s) * 1000 for s, t in zip(sends, lines)]
        if len(lines) != len(sends):
            errors.append(f"{name}: {len(sends)} commands, {len(lines)} requests")
    # What each camera was last told to do (reads tell it nothing).
    last = {name: [line for _, line in follower.lines if line.startswith(name + " ks-set ")][-1:]
            for name in CAMERAS}
    moving = [name for name, lines in last.items() if not lines or "value1=0 " not in lines[0]]
    return acks, delays, errors, moving, count.value


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build"))
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--idle-seconds", type=float, default=10)
    args = parser.parse_args()
    os.environ["PTZDECK_BRIDGE"] = os.path.join(args.build_dir, "app", "bridge", "ptzdeck-bridge")
    bridge = Bridge(cameras=[(name, "ptz", ()) for name in CAMERAS], config="rate = 100\n")
    try:
        for n in range(1, len(CAMERAS) + 1):
            bridge.wait_serving(n)
        pid = bridge.process.pid
        procinfo.wait_until_quiet(lambda: procinfo.threads(pid), 1.0, 30)
        before = procinfo.threads(pid)
        time.sleep(args.idle_seconds)
        woke = procinfo.wakeups(before, procinfo.threads(pid))
        memory = procinfo.memory_kb(pid)
        rows = []
        verdicts = []
        for flood in (False, True):
            acks, delays, errors, moving, flooded = load(bridge, args.seconds, flood)
            label = "4 clients at 20 Hz" + (f", one more flooding ({flooded:,} datagrams/s)" if flood else "")
            rows.append(f"| {label} | {len(acks)} | {statistics.median(acks):.3f} | {percentile(acks, 0.99):.3f} | "
                        f"{max(acks):.3f} | {statistics.median(delays):.3f} | {percentile(delays, 0.99):.3f} | "
                        f"{', '.join(moving) or 'none'} | {len(errors)} |")
            if flood:
                verdicts.append(("no other client's ACK over 5 ms under the flood", max(acks) < 5.0))
                verdicts.append(("no camera left moving", not moving))
            else:
                verdicts.append(("ACK p99 under 1 ms", percentile(acks, 0.99) < 1.0))
                verdicts.append(("command to request median under 1 ms", statistics.median(delays) < 1.0))
            verdicts.append((f"every command answered and received ({label})"
                             + (f": {len(errors)} not, first {errors[0]}" if errors else ""), not errors))
        verdicts.append((f"no idle wake-up in {args.idle_seconds:.0f} s", not woke))
        print("## VISCA over IP bridge (loopback, simulated cameras)\n")
        print("| Load | Commands | ACK median ms | ACK p99 ms | ACK max ms | command to request median ms | "
              "p99 ms | left moving | errors |")
        print("|---|---|---|---|---|---|---|---|---|")
        print("\n".join(rows))
        print(f"\nLoad average over the run: {os.getloadavg()[0]:.1f} on {os.cpu_count()} CPUs.")
        print(f"\nIdle, 4 cameras served: {procinfo.describe_wakeups(woke)} woke in {args.idle_seconds:.0f} s; "
              f"RSS {memory['Rss'] / 1024:.1f} MB, USS {memory['Uss'] / 1024:.1f} MB.\n")
        for what, ok in verdicts:
            print(f"- {'pass' if ok else 'FAIL'}: {what}")
        return 0 if all(ok for _, ok in verdicts) else 1
    finally:
        bridge.stop()


if __name__ == "__main__":
    sys.exit(main())
