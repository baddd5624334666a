# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""What the kernel says about a running process: CPU time, context switches
per thread, memory. Reading /proc does not wake the process it describes."""

import os
import time

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def _read(path):
    with open(path) as f:
        return f.read()


def cpu_ms(pid):
    """User + system CPU time of the whole process, in milliseconds."""
    # Fields after the command name, which may itself hold spaces and parentheses.
    fields = _read(f"/proc/{pid}/stat").rsplit(")", 1)[1].split()
    utime, stime = int(fields[11]), int(fields[12])
    return (utime + stime) * 1000 // CLOCK_TICKS


def threads(pid):
    """{tid: (name, voluntary, involuntary)} for every thread of `pid`;
    threads that end while being read are left out."""
    result = {}
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except FileNotFoundError:
        return result
    for tid in tids:
        try:
            status = _read(f"/proc/{pid}/task/{tid}/status")
        except (FileNotFoundError, ProcessLookupError):
            continue
        fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
        result[int(tid)] = (fields["Name"].strip(), int(fields["voluntary_ctxt_switches"]),
                            int(fields["nonvoluntary_ctxt_switches"]))
    return result


def wakeups(before, after):
    """{tid: (name, voluntary, involuntary)} of the threads that woke between
    two `threads()` readings; a thread that came or went counts as woken."""
    woke = {}
    for tid in before.keys() | after.keys():
        if tid not in before:
            name, vol, invol = after[tid]
            woke[tid] = (f"{name} (new)", vol, invol)
        elif tid not in after:
            woke[tid] = (f"{before[tid][0]} (ended)", 0, 0)
        else:
            name, vol0, invol0 = before[tid]
            _, vol1, invol1 = after[tid]
            if (vol1, invol1) != (vol0, invol0):
                woke[tid] = (name, vol1 - vol0, invol1 - invol0)
    return woke


def describe_wakeups(woke):
    return ", ".join(f"{name} [{tid}] +{vol} voluntary +{invol} involuntary"
                     for tid, (name, vol, invol) in sorted(woke.items())) or "none"


NETLINK_KOBJECT_UEVENT = 15
UDEV_GROUP = 2  # events udevd sends once it has handled a device


def hears_udev(pid):
    """True when `pid` holds a socket that receives udevd's device events
    (as a libudev monitor does)."""
    sockets = set()
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            try:
                target = os.readlink(f"/proc/{pid}/fd/{fd}")
            except OSError:
                continue
            if target.startswith("socket:["):
                sockets.add(int(target[8:-1]))
    except FileNotFoundError:
        return False
    for line in _read(f"/proc/{pid}/net/netlink").splitlines()[1:]:
        fields = line.split()
        if (len(fields) >= 10 and int(fields[1]) == NETLINK_KOBJECT_UEVENT
                and int(fields[3], 16) & UDEV_GROUP and int(fields[9]) in sockets):
            return True
    return False


def memory_kb(pid):
    """{"Rss": kB, "Pss": kB, "Uss": kB} from smaps_rollup. USS counts the
    pages no other process maps at the moment: what ending it would free."""
    result = {"Uss": 0}
    for line in _read(f"/proc/{pid}/smaps_rollup").splitlines():
        key, _, value = line.partition(":")
        if key in ("Rss", "Pss"):
            result[key] = int(value.split()[0])
        elif key in ("Private_Clean", "Private_Dirty"):
            result["Uss"] += int(value.split()[0])
    return result


def wait_until_quiet(sample, quiet_seconds, timeout, interval=0.05):
    """Waits until `sample()` has returned the same value for `quiet_seconds`;
    True once it has, False when `timeout` seconds pass first."""
    deadline = time.monotonic() + timeout
    last = sample()
    since = time.monotonic()
    while True:
        now = time.monotonic()
        if now - since >= quiet_seconds:
            return True
        if now >= deadline:
            return False
        time.sleep(interval)
        value = sample()
        if value != last:
            last, since = value, time.monotonic()
