# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""A private X display for one scenario, and what a person can do and see on it.

Acting goes through xdotool (the XTest extension: the program cannot tell it
from a real mouse and keyboard); seeing goes through the window list and
screenshots of the root window.
"""

import ctypes
import os
import random
import select
import signal
import subprocess
import time

from waiting import ConditionTimeout, wait_until

SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 800


class Display:
    """Xvfb on a display number no one else uses, so scenarios can run side
    by side; optionally with Fluxbox, a small window manager that has a
    notification area."""

    # The X server's own dpi and size; a desktop's other parts (a compositor,
    # a tray of its own) come from subclasses.
    def __init__(self, workdir, window_manager=False, key_repeat=True, dpi=96,
                 size=(SCREEN_WIDTH, SCREEN_HEIGHT)):
        self.workdir = workdir
        self.window_manager = window_manager
        self.key_repeat = key_repeat
        self.dpi = dpi
        self.size = size
        self.number = None
        self._processes = []

    def start(self):
        # Xvfb's own choice (-displayfd alone) trusts the lock files in /tmp,
        # but servers of other sessions on this machine may hold a number
        # through an abstract socket only; a client would then reach theirs.
        # So the number is picked here, clear of every trace of another
        # server, and -displayfd still says when the server is ready.
        try:
            tried = set()
            for _ in range(20):
                number = _free_display_number(tried)
                tried.add(number)
                if self._start_server(number):
                    self.number = number
                    break
            else:
                raise RuntimeError("no Xvfb would start (see xvfb.log)")
            if self.window_manager:
                self._start_window_manager()
            self._start_desktop()
        except BaseException:
            self.stop()
            raise
        return self

    def _start_server(self, number):
        read_end, write_end = os.pipe()
        log_path = os.path.join(self.workdir, "xvfb.log")
        with open(log_path, "wb") as log:
            server = subprocess.Popen(
                ["Xvfb", f":{number}", "-displayfd", str(write_end), "-screen", "0",
                 # 96 dpi unless asked: the desktop scale of 1 the panel's
                 # artwork is drawn for. -noreset: the server must not reset
                 # (and refuse connections for a moment) whenever its last
                 # client goes.
                 f"{self.size[0]}x{self.size[1]}x24", "-dpi", str(self.dpi), "-nolisten", "tcp", "-noreset",
                 "r" if self.key_repeat else "-r"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log,
                stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        os.close(write_end)
        self._processes.append(server)  # stopped with the rest, whatever happens
        try:
            ready = _read_display_number(read_end, server) == number
        except RuntimeError:
            ready = False
        finally:
            os.close(read_end)
        with open(log_path, "rb") as log:
            said = log.read()
        clash = b"already running" in said or b"already active" in said
        # A client must be able to reach it.
        if ready and not clash and subprocess.run(
                ["xdpyinfo", "-display", f":{number}"], capture_output=True, text=True,
                timeout=30).stdout.count(f"{self.size[0]}x{self.size[1]} pixels") == 1:
            return True
        self._processes.remove(server)
        if server.poll() is None:
            server.terminate()
        server.wait()
        return False

    def stop(self):
        for process in reversed(self._processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self._processes.clear()

    def server_state(self):
        """For the evidence of a failure: whether the X server is still up."""
        if not self._processes:
            return "the X server was not started"
        code = self._processes[0].poll()
        return f"the X server on {self.name} is running" if code is None else \
            f"the X server on {self.name} had ended with {code}"

    @property
    def name(self):
        return f":{self.number}"

    def env(self):
        """The environment of a program shown on this display."""
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def program_env(self):
        """The environment the panel runs in: a plain X session, with no
        session bus (its tray icon goes to the X desktop's tray)."""
        env = self.env()
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("XDG_RUNTIME_DIR", None)
        env["QT_QPA_PLATFORM"] = "xcb"
        return env

    def _start_desktop(self):
        """What a desktop adds to the bare X server (subclasses)."""

    def _spawn(self, argv, log_name, env=None):
        """Starts a part of the desktop; it is stopped with the display."""
        with self._log(log_name) as log:
            process = subprocess.Popen(argv, env=env or self.env(), stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT, preexec_fn=die_with_parent,
                                       cwd=self.workdir)
        self._processes.append(process)
        return process

    def _wait_for(self, process, log_name, condition, what, timeout=30):
        """Waits for `condition`: a part of the desktop, started with its log
        `log_name`, to be ready. A part that ends instead fails at once, and
        either failure carries the end of its log: a CI machine's output is
        all anyone has to go by."""
        found = []

        def ready_or_ended():
            value = condition()
            if value:
                found.append(value)
                return True
            return process.poll() is not None
        try:
            wait_until(ready_or_ended, what, timeout=timeout)
        except ConditionTimeout as error:
            raise ConditionTimeout(f"{error}\n{self._log_tail(log_name)}") from None
        if not found:
            raise ConditionTimeout(f"{os.path.basename(process.args[0])} ended with exit code {process.returncode} "
                                   f"while waiting for {what}\n{self._log_tail(log_name)}")
        return found[0]

    def _log_tail(self, log_name, lines=40):
        try:
            with open(os.path.join(self.workdir, log_name), errors="replace") as log:
                tail = log.read().splitlines()[-lines:]
        except OSError as error:
            return f"({log_name} cannot be read: {error})"
        return f"the end of {log_name}:\n    " + "\n    ".join(tail or ["(nothing)"])

    # -- acting --------------------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, timeout=30)

    def move_pointer(self, x, y):
        self.xdotool("mousemove", x, y)

    def press_button(self, button=1):
        self.xdotool("mousedown", button)

    def release_button(self, button=1):
        self.xdotool("mouseup", button)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y, "click", button)

    def drag(self, start, end, steps=8, button=1):
        """Press at `start`, move to `end` through a few points (a hand does
        not jump), release there."""
        self.move_pointer(*start)
        self.press_button(button)
        self.move_along(start, end, steps)
        self.release_button(button)

    def drag_window(self, start, end, steps=8):
        """Drag a window by a place on it that moves it: here the same as any
        drag (a desktop whose compositor does the moving waits for it to
        begin before the hand moves)."""
        self.drag(start, end, steps)

    def move_along(self, start, end, steps):
        for i in range(1, steps + 1):
            self.move_pointer(round(start[0] + (end[0] - start[0]) * i / steps),
                              round(start[1] + (end[1] - start[1]) * i / steps))

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def key(self, key):
        self.xdotool("key", key)

    def minimise(self, window_id):
        """Asks the window manager to iconify the window, as its button would."""
        self.xdotool("windowminimize", window_id)

    # -- seeing --------------------------------------------------------------

    def visible_windows(self, pid):
        """Mapped top-level windows of process `pid`."""
        found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid)],
                               env=self.env(), capture_output=True, text=True, timeout=30)
        windows = []
        # A window being reparented as the search walks the tree is listed
        # twice (seen with a warning Fluxbox was framing): it is one window.
        for line in dict.fromkeys(found.stdout.split()):
            window = self.window(int(line))
            if window is not None:
                windows.append(window)
        return windows

    def windows_titled(self, title):
        """Mapped top-level windows of any program with the title `title`."""
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=self.env(),
                               capture_output=True, text=True, timeout=30)
        return [w for w in map(self.window, map(int, found.stdout.split())) if w is not None]

    def window(self, window_id):
        info = subprocess.run(["xwininfo", "-id", str(window_id)], env=self.env(),
                              capture_output=True, text=True, timeout=30)
        if info.returncode != 0:
            return None  # gone between the search and the look
        return Window.parse(window_id, info.stdout)

    def keeps_above(self, window):
        """Whether the window manager keeps `window` above the others, as it
        says in the window's EWMH state."""
        state = subprocess.run(["xprop", "-id", str(window.id), "_NET_WM_STATE"], env=self.env(),
                               capture_output=True, text=True, timeout=30).stdout
        return "_NET_WM_STATE_ABOVE" in state

    def screenshot(self):
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                             env=self.env(), capture_output=True, check=True, timeout=60).stdout
        return Screenshot.from_ppm(raw)

    def save_screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env(), timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # -- internals -------------------------------------------------------------

    def _log(self, name):
        return open(os.path.join(self.workdir, name), "wb")

    def _start_window_manager(self):
        # Fluxbox with a private home: a toolbar holding the window list and
        # the notification area, no wallpaper, nobody's own settings.
        home = os.path.join(self.workdir, "wm-home")
        config = os.path.join(home, ".fluxbox")
        os.makedirs(config)
        with open(os.path.join(config, "init"), "w") as init:
            init.write("session.screen0.toolbar.tools: iconbar, systemtray\n"
                       "session.screen0.toolbar.placement: BottomCenter\n"
                       "session.screen0.toolbar.visible: true\n"
                       "session.styleOverlay: ~/.fluxbox/overlay\n"
                       "session.keyFile: ~/.fluxbox/keys\n")
        # The one key binding a scenario uses: the window manager's close.
        with open(os.path.join(config, "keys"), "w") as keys:
            keys.write("Mod1 F4 :Close\n")
        with open(os.path.join(config, "overlay"), "w") as overlay:
            overlay.write("background: none\n")
        open(os.path.join(config, "apps"), "w").close()
        env = self.env()
        env["HOME"] = home
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        with self._log("wm.log") as log:
            manager = subprocess.Popen(["fluxbox", "-rc", os.path.join(config, "init")], env=env,
                                       stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        self._processes.append(manager)
        # Ready once it has claimed the screen (_NET_SUPPORTING_WM_CHECK on the root).
        self._wait_for(manager, "wm.log", lambda: _root_has_property(env, "_NET_SUPPORTING_WM_CHECK"),
                       "the window manager to take the screen")


class Window:
    def __init__(self, window_id, name, x, y, width, height):
        self.id = window_id
        self.name = name
        self.x, self.y, self.width, self.height = x, y, width, height

    @classmethod
    def parse(cls, window_id, text):
        fields = {}
        name = ""
        for line in text.splitlines():
            line = line.strip()
            if line.startswith("xwininfo: Window id:"):
                quoted = line.split('"')
                name = quoted[1] if len(quoted) > 2 else ""
            elif ":" in line:
                key, _, value = line.partition(":")
                fields[key.strip()] = value.strip()
        return cls(window_id, name, int(fields["Absolute upper-left X"]),
                   int(fields["Absolute upper-left Y"]), int(fields["Width"]), int(fields["Height"]))

    @property
    def size(self):
        return (self.width, self.height)

    @property
    def position(self):
        return (self.x, self.y)

    def __repr__(self):
        shown_id = f"{self.id:#x}" if isinstance(self.id, int) else self.id
        return f"<window {shown_id} {self.name!r} {self.width}x{self.height}{self.x:+d}{self.y:+d}>"


class Screenshot:
    """An RGB picture of the whole screen."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def from_ppm(cls, raw):
        # P6, width, height, maxval, then one whitespace byte and the samples.
        fields = []
        at = 0
        while len(fields) < 4:
            while raw[at:at + 1].isspace():
                at += 1
            if raw[at:at + 1] == b"#":
                at = raw.index(b"\n", at) + 1
                continue
            end = at
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("expected an 8-bit binary PPM")
        width, height = int(fields[1]), int(fields[2])
        return cls(width, height, raw[at + 1:at + 1 + width * height * 3])

    def region(self, rect):
        """The pixels of rect (x, y, w, h), clipped to the screen, as bytes."""
        x, y, w, h = _clip(rect, self.width, self.height)
        return b"".join(self.rgb[((row * self.width) + x) * 3:((row * self.width) + x + w) * 3]
                        for row in range(y, y + h))

    def count_near(self, rect, colour, tolerance=40):
        """How many pixels of rect lie within `tolerance` of colour on every channel."""
        data = self.region(rect)
        r0, g0, b0 = colour
        count = 0
        for i in range(0, len(data), 3):
            if (abs(data[i] - r0) <= tolerance and abs(data[i + 1] - g0) <= tolerance
                    and abs(data[i + 2] - b0) <= tolerance):
                count += 1
        return count

    def differing_pixels(self, rect, other):
        mine, theirs = self.region(rect), other.region(rect)
        return sum(1 for i in range(0, len(mine), 3) if mine[i:i + 3] != theirs[i:i + 3])


def start_session_bus(directory):
    """A D-Bus session bus of one's own, listening in `directory`, as a
    desktop session has one: (the daemon, its address), once it listens."""
    # What the bus starts on demand (the accessibility bus) keeps its
    # sockets in the session's own runtime directory, not one shared with
    # every other session of the user.
    runtime = os.path.join(directory, "runtime")
    os.makedirs(runtime, 0o700, exist_ok=True)
    daemon = subprocess.Popen(
        ["dbus-daemon", "--session", "--nofork", "--nopidfile",
         f"--address=unix:path={os.path.join(directory, 'session-bus')}", "--print-address=1"],
        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
        env=dict(os.environ, XDG_RUNTIME_DIR=runtime), preexec_fn=die_with_parent)
    address = daemon.stdout.readline().strip()
    daemon.stdout.close()
    if not address:
        daemon.wait()
        raise RuntimeError("the session bus did not start")
    return daemon, address


def die_with_parent():
    """For Popen's preexec_fn: the child is terminated when the scenario's
    process dies, even by SIGKILL (a CTest timeout), so no server, window
    manager or program outlives its scenario."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def _clip(rect, width, height):
    x, y, w, h = rect
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, width), min(y + h, height)
    return x0, y0, max(x1 - x0, 0), max(y1 - y0, 0)


def _free_display_number(tried):
    """A display number no server on this machine uses: no lock file, no
    socket file and no abstract socket, picked at random so that scenarios
    starting together rarely reach for the same one."""
    try:
        with open("/proc/net/unix") as table:
            sockets = table.read()
    except OSError:
        sockets = ""
    while True:
        number = random.randrange(100, 1000)
        if (number not in tried
                and not os.path.exists(f"/tmp/.X{number}-lock")
                and not os.path.exists(f"/tmp/.X11-unix/X{number}")
                and f"@/tmp/.X11-unix/X{number}\n" not in sockets):
            return number


def _read_display_number(fd, server, timeout=60):
    deadline = time.monotonic() + timeout
    text = b""
    while not text.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0 or server.poll() is not None:
            raise RuntimeError("Xvfb did not start (see xvfb.log)")
        ready, _, _ = select.select([fd], [], [], min(remaining, 0.5))
        if ready:
            chunk = os.read(fd, 64)
            if not chunk:
                raise RuntimeError("Xvfb closed -displayfd without a display number")
            text += chunk
    return int(text.strip())


def _root_has_property(env, name):
    found = subprocess.run(["xprop", "-root", name], env=env, capture_output=True, text=True,
                           timeout=30)
    return found.returncode == 0 and "window id" in found.stdout
