"""Real desktops for the panel, each started by the scenario itself: X11 with
Fluxbox (a window manager with an XEmbed notification area), the same with
the picom compositing manager, Weston and GNOME Shell running X programs
through XWayland. `make test-desktops` installs them (scripts/install-desktops)."""

import glob
import os
import re
import subprocess

from display import Display, Screenshot
from waiting import wait_until


class X11Desktop(Display):
    """Xvfb and Fluxbox; with `compositor`, picom composites the windows."""

    def __init__(self, workdir, compositor=False):
        super().__init__(workdir, window_manager=True)
        self.compositor = compositor

    def _start_desktop(self):
        if self.compositor:
            self._spawn(["picom", "--backend", "xrender", "--no-fading-openclose"], "picom.log")
            # Ready once its own window (the compositing-manager selection's
            # owner) is there.
            wait_until(lambda: '"picom"' in subprocess.run(
                ["xwininfo", "-root", "-children"], env=self.env(), capture_output=True, text=True).stdout,
                "picom to take the screen", timeout=30)


class WestonDesktop(Display):
    """Weston's headless back end with XWayland, as a Wayland session."""

    def __init__(self, workdir):
        super().__init__(workdir)
        self.runtime = os.path.join(workdir, "weston-runtime")
        self.socket = "wl-ptzdeck"

    def start(self):
        os.makedirs(self.runtime, 0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        self._spawn(["weston", "--backend=headless-backend.so", "--use-pixman", "--width=1280", "--height=800",
                     "--xwayland", "--debug", f"--socket={self.socket}", "--idle-time=0"], "weston.log", env=env)
        self.number = _display_from_log(os.path.join(self.workdir, "weston.log"),
                                        r"xserver listening on display :(\d+)", "Weston's X server")
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

    def save_screenshot(self, path):
        shot = self.screenshot()
        subprocess.run(["convert", "-size", f"{shot.width}x{shot.height}", "-depth", "8", "rgb:-", path],
                       input=shot.rgb, timeout=60, check=False)


class GnomeDesktop(Display):
    """GNOME Shell headless on a virtual monitor, its own X programs on
    XWayland, with the AppIndicator extension as the notification area (a
    StatusNotifierWatcher on the session bus)."""

    def start(self):
        try:
            return self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        self.runtime = os.path.join(self.workdir, "gnome-runtime")
        home = os.path.join(self.workdir, "gnome-home")
        os.makedirs(self.runtime, 0o700)
        os.makedirs(home)
        # Set before the buses start: dconf, which the buses start on
        # demand, inherits their environment.
        self.base = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=self.runtime,
                         XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_CACHE_HOME=os.path.join(home, ".cache"),
                         XDG_DATA_HOME=os.path.join(home, ".local/share"),
                         DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.runtime}/bus",
                         # An empty bus stands for the system bus the shell insists on.
                         DBUS_SYSTEM_BUS_ADDRESS=f"unix:path={self.runtime}/system_bus")
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY"):
            self.base.pop(name, None)
        for bus in ("bus", "system_bus"):
            self._spawn(["dbus-daemon", "--session", f"--address=unix:path={self.runtime}/{bus}", "--nofork"],
                        f"{bus}.log", env=self.base)
            wait_until(lambda: os.path.exists(os.path.join(self.runtime, bus)), f"the {bus} to start")
        subprocess.run(["gsettings", "set", "org.gnome.shell", "enabled-extensions",
                        "['ubuntu-appindicators@ubuntu.com']"], env=self.base, check=True, timeout=60)
        self._spawn(["gnome-shell", "--headless", "--virtual-monitor", "1280x800", "--wayland",
                     "--wayland-display=wl-ptzdeck"], "gnome-shell.log", env=self.base)
        self.number = _display_from_log(os.path.join(self.workdir, "gnome-shell.log"),
                                        r"Using public X11 display :(\d+)", "GNOME Shell's X server")
        self.xauthority = wait_until(lambda: glob.glob(os.path.join(self.runtime, ".mutter-Xwaylandauth.*")),
                                     "GNOME Shell's X authority")[0]
        wait_until(lambda: self.bus_has("org.kde.StatusNotifierWatcher"), "the AppIndicator watcher", timeout=90)

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

    def gdbus(self, *args):
        return subprocess.run(["gdbus", "call", "--session", *args], env=self.base, capture_output=True, text=True,
                              timeout=60).stdout

    def bus_has(self, name):
        return "true" in self.gdbus("-d", "org.freedesktop.DBus", "-o", "/org/freedesktop/DBus", "-m",
                                    "org.freedesktop.DBus.NameHasOwner", name)

    def env(self):
        env = dict(self.base, DISPLAY=self.name, XAUTHORITY=self.xauthority, WAYLAND_DISPLAY="wl-ptzdeck")
        return env

    def program_env(self):
        return dict(self.env(), XDG_SESSION_TYPE="wayland", XDG_CURRENT_DESKTOP="GNOME")

    def activate_tray_item(self, pid):
        """What a click on the item in the top bar sends: Activate."""
        return self.gdbus("-d", f"org.kde.StatusNotifierItem-{pid}-1", "-o", "/StatusNotifierItem", "-m",
                          "org.kde.StatusNotifierItem.Activate", "0", "0")

    def screenshot(self):
        self.close_overview()
        path = os.path.join(self.workdir, "gnome-shot.png")
        # The shell answers only a caller that owns org.gnome.Screenshot.
        script = ("import sys, gi\ngi.require_version('Gio', '2.0')\nfrom gi.repository import Gio, GLib\n"
                  "bus = Gio.bus_get_sync(Gio.BusType.SESSION)\n"
                  "bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',"
                  " 'RequestName', GLib.Variant('(su)', ('org.gnome.Screenshot', 0)), None, 0, -1, None)\n"
                  "bus.call_sync('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot',"
                  " 'org.gnome.Shell.Screenshot', 'Screenshot', GLib.Variant('(bbs)', (False, False, sys.argv[1])),"
                  " None, 0, -1, None)\n")
        subprocess.run(["/usr/bin/python3", "-c", script, path], env=self.base, check=True, timeout=60,
                       capture_output=True)
        raw = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True, check=True,
                             timeout=60).stdout
        return Screenshot.from_ppm(raw)

    save_screenshot = WestonDesktop.save_screenshot


def _display_from_log(log, pattern, what):
    """The X display number a compositor announces in its log once its
    XWayland is up."""
    def announced():
        with open(log, errors="replace") as text:
            found = re.search(pattern, text.read())
        return found and int(found[1])
    return wait_until(announced, what, timeout=90)
