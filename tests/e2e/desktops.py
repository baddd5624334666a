"""Real desktops for the panel, each started by the scenario itself: X11 with
Fluxbox (a window manager with an XEmbed notification area), the same with
the picom compositing manager, and Weston running X programs through
XWayland. `make test-desktops` installs them (scripts/install-desktops)."""

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
        self.name_of_desktop = "X11 with picom" if compositor else "X11 without a compositor"

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

    name_of_desktop = "Weston (XWayland)"

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
        log = os.path.join(self.workdir, "weston.log")

        def x_display():
            with open(log, errors="replace") as text:
                found = re.search(r"xserver listening on display :(\d+)", text.read())
            return found and int(found[1])
        self.number = wait_until(x_display, "Weston's X server", timeout=60)
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
