# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Real desktops for the panel, each started by the scenario itself: X11 with
Fluxbox (a window manager with an XEmbed notification area), the same with
the picom compositing manager, Weston, GNOME Shell and KWin running X
programs through XWayland, and KWin with the panel on Wayland itself.
`make test-desktops` installs them (scripts/install-desktops)."""

import glob
import json
import os
import re
import shutil
import subprocess

from display import Display, Screenshot, Window
from fake_pointer import FakePointer
from waiting import wait_until


def save_compositor_picture(display, path):
    """A compositor's screenshot as a PNG (X's own tools see nothing of
    what a compositor draws)."""
    shot = display.screenshot()
    subprocess.run(["convert", "-size", f"{shot.width}x{shot.height}", "-depth", "8", "rgb:-", path],
                   input=shot.rgb, timeout=60, check=False)


class X11Desktop(Display):
    """Xvfb and Fluxbox; with `compositor`, picom composites the windows."""

    def __init__(self, workdir, compositor=False):
        super().__init__(workdir, window_manager=True)
        self.compositor = compositor

    def _start_desktop(self):
        if self.compositor:
            picom = self._spawn(["picom", "--backend", "xrender", "--no-fading-openclose"], "picom.log")
            # Ready once its own window (the compositing-manager selection's
            # owner) is there.
            self._wait_for(picom, "picom.log", lambda: '"picom"' in subprocess.run(
                ["xwininfo", "-root", "-children"], env=self.env(), capture_output=True, text=True).stdout,
                "picom to take the screen")


class WestonDesktop(Display):
    """Weston's headless back end with XWayland, as a Wayland session."""

    def __init__(self, workdir):
        super().__init__(workdir)
        self.runtime = os.path.join(workdir, "weston-runtime")
        self.socket = "wl-ptzdeck"

    def start(self):
        _make_x11_socket_directory()
        os.makedirs(self.runtime, 0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        weston = self._spawn(["weston", "--backend=headless-backend.so", "--use-pixman", "--width=1280",
                              "--height=800", "--xwayland", "--debug", f"--socket={self.socket}", "--idle-time=0"],
                             "weston.log", env=env)
        self.number = _display_from_log(self, weston, "weston.log", r"xserver listening on display :(\d+)",
                                        "Weston's X server")
        return self

    def env(self):
        env = super().env()
        env.update(WAYLAND_DISPLAY=self.socket, XDG_RUNTIME_DIR=self.runtime)
        return env

    def program_env(self):
        # A Wayland session as its login would set it up: Qt alone would take
        # its Wayland plug-in here.
        env = self.env()
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("QT_QPA_PLATFORM", None)
        env["XDG_SESSION_TYPE"] = "wayland"
        return env

    def screenshot(self):
        """What the compositor shows (an X screenshot of a rootless XWayland
        would show nothing)."""
        before = set(glob.glob(os.path.join(self.workdir, "wayland-screenshot-*.png")))
        subprocess.run(["weston-screenshooter"], env=self.env(), cwd=self.workdir, check=True, timeout=60,
                       capture_output=True)
        made = wait_until(lambda: set(glob.glob(os.path.join(self.workdir, "wayland-screenshot-*.png"))) - before,
                          "weston's screenshot")
        path = made.pop()
        raw = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, check=True,
                             timeout=60).stdout
        os.remove(path)
        return Screenshot.from_ppm(raw)

    save_screenshot = save_compositor_picture


# Debian's python, which sees python3-gi.
SESSION_BUS_TOOL = ["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)), "session_bus.py")]
# The notification area's watcher KDE runs in kded5: plasma-workspace's module,
# which scripts/install-desktops unpacks here rather than install the whole
# Plasma workspace.
KDED_PLUGINS = "/usr/local/lib/ptzdeck-desktops/qt5/plugins"


class SessionDesktop(Display):
    """A desktop session of its own: a private home, runtime directory and
    session bus, set before anything starts (services the bus starts on
    demand inherit its environment)."""

    def start(self):
        try:
            return self._start()
        except BaseException:
            self.stop()
            raise

    @property
    def runtime(self):
        return os.path.join(self.workdir, "session-runtime")

    def _start_session(self, buses=("bus",), **variables):
        """`variables`: more of the session's environment."""
        _make_x11_socket_directory()
        home = os.path.join(self.workdir, "session-home")
        os.makedirs(self.runtime, 0o700)
        os.makedirs(home)
        self.base = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=self.runtime,
                         XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
                         XDG_DATA_HOME=os.path.join(home, ".local/share"),
                         DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.runtime}/bus", **variables)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "QT_QPA_PLATFORM", "XDG_CURRENT_DESKTOP",
                     "XDG_SESSION_TYPE"):
            self.base.pop(name, None)
        for bus in buses:
            self._spawn(["dbus-daemon", "--session", f"--address=unix:path={self.runtime}/{bus}", "--nofork"],
                        f"{bus}.log", env=self.base)
            wait_until(lambda: os.path.exists(os.path.join(self.runtime, bus)), f"the {bus} to start")

    def gdbus(self, *args):
        return subprocess.run(["gdbus", "call", "--session", *args], env=self.base, capture_output=True, text=True,
                              timeout=60).stdout

    def session_bus_tool(self, *args):
        return subprocess.run([*SESSION_BUS_TOOL, *args], env=self.base, check=True, timeout=60,
                              capture_output=True, text=True).stdout

    def bus_has(self, name):
        return "true" in self.gdbus("-d", "org.freedesktop.DBus", "-o", "/org/freedesktop/DBus", "-m",
                                    "org.freedesktop.DBus.NameHasOwner", name)

    # -- the program's StatusNotifierItem ------------------------------------

    @staticmethod
    def tray_item(pid):
        return f"org.kde.StatusNotifierItem-{pid}-1"

    def activate_tray_item(self, pid):
        """What a click on the item in the notification area sends: Activate."""
        return self.gdbus("-d", self.tray_item(pid), "-o", "/StatusNotifierItem", "-m",
                          "org.kde.StatusNotifierItem.Activate", "0", "0")

    def tray_menu(self, pid):
        """The item's menu as the notification area would show it: a list of
        {label, enabled, checked (for check items)}."""
        return json.loads(self.session_bus_tool("menu", self.tray_item(pid)))

    save_screenshot = save_compositor_picture


class GnomeDesktop(SessionDesktop):
    """GNOME Shell headless on a virtual monitor, its own X programs on
    XWayland, with the AppIndicator extension as the notification area (a
    StatusNotifierWatcher on the session bus)."""

    def _start(self):
        # An empty bus stands for the system bus the shell insists on.
        self._start_session(buses=("bus", "system_bus"),
                            DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.runtime}/system_bus")
        subprocess.run(["gsettings", "set", "org.gnome.shell", "enabled-extensions",
                        "['ubuntu-appindicators@ubuntu.com']"], env=self.base, check=True, timeout=60)
        shell = self._spawn(["gnome-shell", "--headless", "--virtual-monitor", "1280x800", "--wayland",
                             "--wayland-display=wl-ptzdeck"], "gnome-shell.log", env=self.base)
        self.number = _display_from_log(self, shell, "gnome-shell.log", r"Using public X11 display :(\d+)",
                                        "GNOME Shell's X server")
        self.xauthority = self._wait_for(
            shell, "gnome-shell.log", lambda: glob.glob(os.path.join(self.runtime, ".mutter-Xwaylandauth.*")),
            "GNOME Shell's X authority")[0]
        self._wait_for(shell, "gnome-shell.log", lambda: self.bus_has("org.kde.StatusNotifierWatcher"),
                       "the AppIndicator watcher", timeout=90)

        self.close_overview()
        return self

    def close_overview(self):
        """The shell opens its overview at start-up (and again when the
        first window appears), over every window: a person would close it
        before doing anything."""
        def closed():
            self.gdbus("-d", "org.gnome.Shell", "-o", "/org/gnome/Shell", "-m", "org.freedesktop.DBus.Properties.Set",
                       "org.gnome.Shell", "OverviewActive", "<false>")
            return "false" in self.gdbus("-d", "org.gnome.Shell", "-o", "/org/gnome/Shell", "-m",
                                         "org.freedesktop.DBus.Properties.Get", "org.gnome.Shell", "OverviewActive")
        wait_until(closed, "the overview to close", timeout=60, interval=0.5)

    def xdotool(self, *args):
        self.close_overview()
        super().xdotool(*args)

    def env(self):
        return dict(self.base, DISPLAY=self.name, XAUTHORITY=self.xauthority, WAYLAND_DISPLAY="wl-ptzdeck")

    def program_env(self):
        return dict(self.env(), XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="GNOME")

    def screenshot(self):
        self.close_overview()
        path = os.path.join(self.workdir, "gnome-shot.png")
        self.session_bus_tool("gnome-screenshot", path)
        raw = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, check=True,
                             timeout=60).stdout
        return Screenshot.from_ppm(raw)


class KWinDesktop(SessionDesktop):
    """KDE Plasma's compositor, KWin, on a virtual output with XWayland, and
    the notification area's side of a Plasma session: kded5 with the
    StatusNotifierWatcher module, and a host registered with it as Plasma's
    tray would be. Pointer events go through KWin's fake-input protocol, so
    KWin itself decides where they land. With `native`, the panel runs on
    Wayland itself, as a user's QT_QPA_PLATFORM=wayland asks."""

    SOCKET = "wl-ptzdeck"

    def __init__(self, workdir, native=False):
        super().__init__(workdir)
        self.native = native
        self.pointer = None
        self._queries = 0
        self._log_read = 0

    def _start(self):
        self._start_session()
        # The installed kwin_wayland carries a file capability (to raise its
        # own limits) that exec refuses where the capability is not allowed,
        # as in a container: a plain copy runs anywhere.
        kwin = os.path.join(self.workdir, "kwin_wayland")
        shutil.copy("/usr/bin/kwin_wayland", kwin)
        # KWin runs this once its X server is up, with DISPLAY set.
        announce = os.path.join(self.workdir, "announce-display")
        self.display_file = os.path.join(self.workdir, "kwin-display")
        with open(announce, "w") as script:
            script.write(f'#!/bin/sh\necho "$DISPLAY" > {self.display_file}.part && '
                         f'mv {self.display_file}.part {self.display_file}\n')
        os.chmod(announce, 0o755)
        self.kwin_log = os.path.join(self.workdir, "kwin.log")
        kwin = self._spawn([kwin, "--virtual", "--xwayland", "--width", "1280", "--height", "800",
                            "--socket", self.SOCKET, "--no-lockscreen", announce], "kwin.log",
                           env=dict(self.base, KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1",
                                    KWIN_WAYLAND_NO_PERMISSION_CHECKS="1"))
        announced = self._wait_for(kwin, "kwin.log", self._announced_display, "KWin's X server", timeout=90)
        self.number = int(announced.lstrip(":").split(".")[0])

        kde = dict(self.base, WAYLAND_DISPLAY=self.SOCKET, QT_QPA_PLATFORM="wayland", XDG_CURRENT_DESKTOP="KDE",
                   KDE_FULL_SESSION="true", KDE_SESSION_VERSION="5")
        # Without the activity manager kded's start-up waits half a minute
        # for it; without a service cache kded finds no modules.
        self._spawn(glob.glob("/usr/lib/*/libexec/kactivitymanagerd")[:1], "kactivitymanagerd.log", env=kde)
        subprocess.run(["kbuildsycoca5"], env=kde, check=True, timeout=120, capture_output=True)
        kded = self._spawn(["kded5"], "kded5.log", env=dict(kde, QT_PLUGIN_PATH=KDED_PLUGINS))
        self._wait_for(kded, "kded5.log", lambda: self.bus_has("org.kde.StatusNotifierWatcher"),
                       "kded's StatusNotifierWatcher", timeout=90)
        self._spawn([*SESSION_BUS_TOOL, "tray-host"], "tray-host.log", env=self.base)
        wait_until(lambda: "true" in self.gdbus(
            "-d", "org.kde.StatusNotifierWatcher", "-o", "/StatusNotifierWatcher", "-m",
            "org.freedesktop.DBus.Properties.Get", "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered"),
            "the notification area's host")
        self.pointer = FakePointer(os.path.join(self.runtime, self.SOCKET))
        return self

    def stop(self):
        if self.pointer is not None:
            self.pointer.close()
            self.pointer = None
        super().stop()

    def _announced_display(self):
        try:
            with open(self.display_file) as announced:
                return announced.read().strip()
        except FileNotFoundError:
            return None

    def server_state(self):
        kwin = next((p for p in self._processes if "kwin_wayland" in p.args[0]), None)
        if kwin is None:
            return "KWin was not started"
        code = kwin.poll()
        return "KWin is running" if code is None else f"KWin had ended with {code}"

    def env(self):
        return dict(self.base, DISPLAY=self.name, WAYLAND_DISPLAY=self.SOCKET)

    def program_env(self):
        env = dict(self.env(), XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="KDE", KDE_FULL_SESSION="true",
                   KDE_SESSION_VERSION="5")
        if self.native:
            env["QT_QPA_PLATFORM"] = "wayland"
        return env

    # -- acting: a mouse that KWin sees as one ----------------------------

    def move_pointer(self, x, y):
        self.pointer.move_to(x, y)

    def press_button(self, button=1):
        self.pointer.press(button)

    def release_button(self, button=1):
        self.pointer.release(button)

    def click(self, x, y, button=1):
        self.move_pointer(x, y)
        self.press_button(button)
        self.release_button(button)

    def drag_window(self, start, end, steps=8):
        self.move_pointer(*start)
        under = [w for w in self.kwin_windows() if w.contains(start) and not w.minimized]
        self.press_button()
        if any(not w.x11 for w in under):
            # A Wayland window asks KWin to move it when the button goes
            # down; KWin moves it from where the pointer is when the request
            # arrives, so the hand moves once KWin has taken the move up, as
            # a person's does after the press.
            wait_until(lambda: any(w.moving for w in self.kwin_windows()),
                       "KWin to start moving the window")
            self.move_along(start, end, steps)
        else:
            # An X window moves itself to the pointer's root position, which
            # XWayland works out from the window's place as it last heard it
            # from KWin, over another connection than the pointer's: a step
            # that arrives before the previous move has is off by that move
            # (the drag ended one step, 15 px, short). So each step waits
            # until the X server has the window where the hand took it, as a
            # hand follows what it drags.
            for i in range(1, steps + 1):
                point = (round(start[0] + (end[0] - start[0]) * i / steps),
                         round(start[1] + (end[1] - start[1]) * i / steps))
                self.move_pointer(*point)
                wanted = [(w.id, (w.x + point[0] - start[0], w.y + point[1] - start[1])) for w in under]
                wait_until(lambda: any(getattr(self.window(xid), "position", None) == place for xid, place in wanted),
                           f"the window to follow the pointer to {point}")
        self.release_button()

    # -- seeing: KWin's own window list and picture -------------------------

    def kwin_windows(self):
        """The windows KWin manages, as its scripting API reports them: a
        script loaded for this one query prints them into KWin's log."""
        self._queries += 1
        token = f"ptzdeck-query-{self._queries}"
        script = os.path.join(self.workdir, f"{token}.js")
        with open(script, "w") as out:
            out.write(_WINDOW_LIST_SCRIPT.replace("TOKEN", token))
        self.gdbus("-d", "org.kde.KWin", "-o", "/Scripting", "-m", "org.kde.kwin.Scripting.loadScript", script, token)
        self.gdbus("-d", "org.kde.KWin", "-o", "/Scripting", "-m", "org.kde.kwin.Scripting.start")
        try:
            lines = wait_until(lambda: self._script_output(token), "KWin's window list")
        finally:
            self.gdbus("-d", "org.kde.KWin", "-o", "/Scripting", "-m", "org.kde.kwin.Scripting.unloadScript", token)
            os.remove(script)
        return [KWinWindow(json.loads(line)) for line in lines[:-1]]

    def _script_output(self, token):
        with open(self.kwin_log, "rb") as log:
            log.seek(self._log_read)
            said = log.read()
        prefix = f"js: {token} "
        lines = [line[len(prefix):] for line in said.decode(errors="replace").splitlines() if line.startswith(prefix)]
        if not lines or lines[-1] != "end":
            return None
        self._log_read += len(said)  # later queries read on from here
        return lines

    def visible_windows(self, pid):
        return [w for w in self.kwin_windows() if w.pid == pid and not w.minimized]

    def windows_titled(self, title):
        return [w for w in self.kwin_windows() if w.name == title and not w.minimized]

    def keeps_above(self, window):
        return any(w.id == window.id and w.keep_above for w in self.kwin_windows())

    def screenshot(self):
        """What KWin composites: XWayland and Wayland windows alike, with
        whatever shows through their transparent parts."""
        raw_path = os.path.join(self.workdir, "kwin-shot.raw")
        layout = json.loads(self.session_bus_tool("kwin-screenshot", raw_path))
        with open(raw_path, "rb") as raw:
            pixels = raw.read()
        os.remove(raw_path)
        width, height = layout["width"], layout["height"]
        # QImage's 32-bit formats (RGB32, ARGB32, premultiplied ARGB32): B, G,
        # R, A in memory; the whole workspace is opaque.
        if layout["format"] not in (4, 5, 6) or layout["stride"] != width * 4:
            raise ValueError(f"unexpected screenshot layout {layout}")
        rgb = bytearray(width * height * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = pixels[2::4], pixels[1::4], pixels[0::4]
        return Screenshot(width, height, bytes(rgb))


class KWinWindow(Window):
    def __init__(self, fields):
        # An X window's id where it is one (so X tools can look at it), KWin's
        # own id for a Wayland window.
        self.x11 = "xid" in fields
        super().__init__(fields["xid"] if self.x11 else fields["id"], fields["caption"], fields["x"], fields["y"],
                         fields["width"], fields["height"])
        self.pid = fields["pid"]
        self.window_class = fields["class"]
        self.minimized = fields["minimized"]
        self.keep_above = fields["keepAbove"]
        self.moving = fields["move"]

    def contains(self, point):
        return self.x <= point[0] < self.x + self.width and self.y <= point[1] < self.y + self.height


_WINDOW_LIST_SCRIPT = """
var windows = workspace.clientList();
for (var i = 0; i < windows.length; i++) {
    var w = windows[i], g = w.frameGeometry;
    var fields = {pid: w.pid, "class": String(w.resourceClass), caption: w.caption, x: g.x, y: g.y,
                  width: g.width, height: g.height, minimized: w.minimized, keepAbove: w.keepAbove, move: w.move,
                  id: String(w.internalId)};
    if (w.windowId) fields.xid = w.windowId;
    print("TOKEN", JSON.stringify(fields));
}
print("TOKEN", "end");
"""


def _display_from_log(desktop, process, log_name, pattern, what):
    """The X display number a compositor announces in its log once its
    XWayland is up."""
    def announced():
        with open(os.path.join(desktop.workdir, log_name), errors="replace") as text:
            return re.search(pattern, text.read())
    # The match is what is waited for, not the number: on a machine with no
    # other X server the compositor takes display 0.
    return int(desktop._wait_for(process, log_name, announced, what, timeout=90)[1])


def _make_x11_socket_directory():
    """/tmp/.X11-unix, where X servers put their sockets, as a booted system
    has it (systemd-tmpfiles makes it). A fresh container may have none, and
    the compositors do not make it right: Weston and KWin give up, GNOME
    Shell makes it without the write bits it then insists on."""
    try:
        os.mkdir("/tmp/.X11-unix")
    except FileExistsError:
        return
    os.chmod("/tmp/.X11-unix", 0o1777)  # whatever the umask: anyone's server, sticky
