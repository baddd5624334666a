# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Starting a program on a private X display and timing it: the part of the
bench that the start-up check in make test shares with bench/run."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path[:0] = [os.path.join(ROOT, "bench"), os.path.join(ROOT, "tests", "e2e")]

import procinfo  # noqa: E402
from display import die_with_parent  # noqa: E402

CAMERAS = ("cam1", "cam2")
SETTLE_QUIET_S = 0.5     # CPU time unchanged this long: the program is idle
SETTLE_TIMEOUT_S = 20.0

# Variables that would change how a toolkit sizes, styles or connects.
CLEARED_VARIABLES = ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                     "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_STYLE_OVERRIDE",
                     "QT_QPA_PLATFORMTHEME", "QT_DEVICE_PIXEL_RATIO", "GDK_SCALE", "GTK_THEME",
                     "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "LUMETRA_SIM_DIR")


class Workspace:
    """A temporary directory for everything one bench run leaves behind."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="ptzdeck-bench-")
        self.count = 0

    def fresh(self, name):
        self.count += 1
        path = os.path.join(self.path, f"{self.count:03d}-{name}")
        os.makedirs(path)
        return path

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def plug_cameras(bus):
    os.makedirs(bus, exist_ok=True)
    for name in CAMERAS:
        subprocess.run([os.path.join(ROOT, "scripts", "simcam"), "--bus", bus, "plug", name],
                       check=True, stdout=subprocess.DEVNULL)


class Program:
    def __init__(self, name, argv, needs_bus):
        self.name, self.argv, self.needs_bus = name, argv, needs_bus

    def start(self, display, workdir, session_bus=None, cameras_conf=None):
        """Starts the program on `display` with a private home (and the
        session bus at address `session_bus`, if given, and the network
        cameras `cameras_conf` lists); returns (process, monotonic ns right
        before the spawn, bus or None)."""
        env = dict(os.environ)
        for name in CLEARED_VARIABLES:
            env.pop(name, None)
        if session_bus:
            env["DBUS_SESSION_BUS_ADDRESS"] = session_bus
        home = os.path.join(workdir, "home")
        runtime = os.path.join(workdir, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, 0o700)
        if cameras_conf:
            os.makedirs(os.path.join(home, ".config", "ptzdeck"))
            with open(os.path.join(home, ".config", "ptzdeck", "cameras.conf"), "w") as out:
                out.write(cameras_conf)
        env.update(DISPLAY=display.name, HOME=home, XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   QT_QPA_PLATFORM="xcb")
        bus = None
        if self.needs_bus:
            bus = os.path.join(workdir, "bus")
            plug_cameras(bus)
            env["LUMETRA_SIM_DIR"] = bus
        log = open(os.path.join(workdir, "output.log"), "wb")
        spawned = time.monotonic_ns()
        process = subprocess.Popen(self.argv, env=env, cwd=workdir, stdin=subprocess.DEVNULL,
                                   stdout=log, stderr=subprocess.STDOUT, start_new_session=True,
                                   preexec_fn=die_with_parent)
        log.close()
        return process, spawned, bus


def stop(process):
    if process.poll() is None:
        try:
            os.killpg(process.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()


class Watch:
    """ptzdeck_xprobe watch: the first real window mapped on a display, and its first frame."""

    def __init__(self, probe, display, timeout=60):
        self.process = subprocess.Popen([probe, "watch", "--timeout", str(timeout)],
                                        env=display.env(), stdout=subprocess.PIPE, text=True,
                                        preexec_fn=die_with_parent)
        ready = self._line()
        if not ready.get("ready"):
            raise RuntimeError(f"the probe did not start watching: {ready}")

    def _line(self):
        line = self.process.stdout.readline()
        return json.loads(line) if line else {"error": "the probe ended"}

    def result(self):
        """(map event, first-frame event); raises if either did not come."""
        events = {}
        while "first_frame" not in events:
            event = self._line()
            if "error" in event:
                self.process.wait()
                raise RuntimeError(f"probe: {event['error']} (seen: {events})")
            events[event["event"]] = event
        self.process.wait()
        return events["map"], events["first_frame"]

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def settle_cpu(pid):
    """Waits until the program's CPU time stops moving; whether it did."""
    def cpu():
        try:
            return procinfo.cpu_ms(pid)
        except FileNotFoundError:
            return None
    return procinfo.wait_until_quiet(cpu, SETTLE_QUIET_S, SETTLE_TIMEOUT_S)


def one_start(program, display, probe, space, inspect=None):
    """Starts `program` once and times it; `inspect(pid)`, if given, looks at
    the idle process before it is stopped."""
    workdir = space.fresh(program.name)
    watch = Watch(probe, display)
    process = None
    try:
        process, spawned, _ = program.start(display, workdir)
        mapped, frame = watch.result()
        idle = settle_cpu(process.pid)
        if process.poll() is not None:
            raise RuntimeError(f"{program.name} ended with {process.returncode} instead of idling")
        memory = procinfo.memory_kb(process.pid)
        cpu = procinfo.cpu_ms(process.pid)
        if inspect:
            inspect(process.pid)
        return {"map_ms": (mapped["t_ns"] - spawned) / 1e6,
                "frame_ms": (frame["t_ns"] - spawned) / 1e6,
                "window": f"{mapped['width']}x{mapped['height']}",
                "rss_mb": memory["Rss"] / 1024, "pss_mb": memory["Pss"] / 1024,
                "uss_mb": memory["Uss"] / 1024, "cpu_ms": cpu, "idle": idle}
    finally:
        watch.close()
        if process is not None:
            stop(process)
