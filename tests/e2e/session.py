# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""One run of the real ptzdeck program on a private display and a private
simulated USB bus, driven and judged from outside."""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import unittest

import panel
from camera_requests import Home, RequestLog
from display import Display, die_with_parent, start_session_bus
from waiting import wait_until

SOURCE_DIR = os.path.dirname(os.path.abspath(__file__))
SESSION_BUS_TOOL = ["/usr/bin/python3", os.path.join(SOURCE_DIR, "session_bus.py")]

# A supported camera's device path, as the system shows it.
SUPPORTED_PATH = r"\\?\usb#vid_0000&pid_8888&mi_00#{serial}#{{65e8773d-8f56-11d0-a3b9-00a0c9223196}}\global"

# Variables that would change how Qt sizes or styles the window.
_QT_VARIABLES = ("QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                 "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_STYLE_OVERRIDE",
                 "QT_QPA_PLATFORMTHEME", "QT_DEVICE_PIXEL_RATIO")


def program_path():
    path = os.environ.get("PTZDECK_PROGRAM")
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("PTZDECK_PROGRAM must name the built ptzdeck (CTest sets it)")
    return path


class PanelSession:
    def __init__(self, scenario, cameras=("cam1", "cam2"), camera_lines=None, window_manager=False,
                 key_repeat=True, program=None, launcher=(), display=None, scale_factor=None,
                 session_bus=False, tray=False, environment=None):
        """`program` replaces the built ptzdeck (an installed one, say);
        `launcher` is a command that runs it and must leave the program
        the process it started (as `strace -D` does). `display` makes the
        desktop (a Display by default: Xvfb, with Fluxbox when
        `window_manager`); `scale_factor` is the user's QT_SCALE_FACTOR;
        `session_bus` gives the session a D-Bus session bus of its own;
        `tray` puts a notification area's watcher on it, so that the program
        offers its tray menu there, as on a desktop.
        `environment` adds variables to the program's."""
        self.scenario = scenario
        self.program_path = program or program_path()
        self.launcher = list(launcher)
        self.initial_cameras = cameras
        self.camera_lines = camera_lines or {}
        self.window_manager = window_manager
        self.key_repeat = key_repeat
        self.make_display = display or (lambda work: Display(work, self.window_manager, self.key_repeat))
        self.scale_factor = scale_factor
        self.session_bus = session_bus
        self.environment = environment or {}
        self.bus_daemon = None
        self.bus_address = None
        self.tray = tray
        self.tray_watcher = None
        self.scale = 1  # device pixels per panel pixel, found when the window is shown
        self.evidence_dir = os.path.join(
            os.environ.get("PTZDECK_E2E_EVIDENCE",
                           os.path.join(tempfile.gettempdir(), "ptzdeck-e2e-failures")),
            scenario)
        self.program = None
        self.display = None

    # -- lifetime ----------------------------------------------------------------

    def __enter__(self):
        shutil.rmtree(self.evidence_dir, ignore_errors=True)  # last run's failure
        self.work = tempfile.mkdtemp(prefix="ptzdeck-e2e-")
        try:
            self.bus = os.path.join(self.work, "bus")
            os.mkdir(self.bus)
            self.log = RequestLog(self.bus)
            for name in self.initial_cameras:
                self.plug(name, lines=self.camera_lines.get(name, ()))
            self.display = self.make_display(self.work)
            self.display.start()
            if self.session_bus:
                self.bus_daemon, self.bus_address = start_session_bus(self.work)
            if self.tray:
                self.tray_watcher = subprocess.Popen(
                    [*SESSION_BUS_TOOL, "tray-watcher"], env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus_address),
                    stdout=subprocess.PIPE, text=True, preexec_fn=die_with_parent)
                self.tray_watcher.stdout.readline()  # once it owns the watcher's name
            self._start_program()
        except BaseException:
            self._tear_down()
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        try:
            if exc_type is not None:
                self._keep_evidence()
        finally:
            self._tear_down()
        return False

    def _start_program(self):
        env = self.display.program_env()
        for name in _QT_VARIABLES:
            env.pop(name, None)
        if self.scale_factor:
            env["QT_SCALE_FACTOR"] = str(self.scale_factor)
        home = os.path.join(self.work, "home")
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(home, exist_ok=True)
        os.makedirs(runtime, 0o700, exist_ok=True)
        # In a sanitizer build, leak checking at exit decides the exit code;
        # what is meant to live until the end is listed in lsan.supp.
        suppressions = f"suppressions={os.path.join(SOURCE_DIR, 'lsan.supp')}:print_suppressions=0"
        env["LSAN_OPTIONS"] = ":".join(filter(None, [env.get("LSAN_OPTIONS"), suppressions]))
        env.update(LUMETRA_SIM_DIR=self.bus, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
        env.setdefault("XDG_RUNTIME_DIR", runtime)
        if self.bus_address:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        env.update(self.environment)
        with open(os.path.join(self.work, "ptzdeck.log"), "wb") as log:
            self.program = subprocess.Popen([*self.launcher, self.program_path], env=env, cwd=self.work,
                                            stdin=subprocess.DEVNULL, stdout=log,
                                            stderr=subprocess.STDOUT, preexec_fn=die_with_parent)

    def restart(self):
        """The person quits the program with its close button and starts it
        again, on the same cameras and with the same home."""
        self.click("close")
        self.wait_for_exit()
        self._start_program()

    def config_path(self, *parts):
        """A file under the program's $XDG_CONFIG_HOME."""
        return os.path.join(self.work, "home", ".config", *parts)

    def _tear_down(self):
        if self.program is not None and self.program.poll() is None:
            self.program.terminate()
            try:
                self.program.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.program.kill()
                self.program.wait()
        if self.tray_watcher is not None:
            self.tray_watcher.terminate()
            self.tray_watcher.wait()
            self.tray_watcher.stdout.close()
        if self.bus_daemon is not None:
            self.bus_daemon.terminate()
            self.bus_daemon.wait()
        if self.display is not None:
            self.display.stop()
        shutil.rmtree(self.work, ignore_errors=True)

    def _keep_evidence(self):
        """A failed scenario leaves what a person would look at: the screen,
        the windows, what the cameras received and what the program said."""
        os.makedirs(self.evidence_dir, exist_ok=True)
        if self.display is not None and self.display.number is not None:
            self.display.save_screenshot(os.path.join(self.evidence_dir, "screen.png"))
            try:
                windows = self.windows() if self.program else []
            except Exception as error:  # the evidence must not hide the failure
                windows = [f"(window list failed: {error})"]
            with open(os.path.join(self.evidence_dir, "windows.txt"), "w") as out:
                out.writelines(f"{w}\n" for w in windows)
                out.write(self.display.server_state() + "\n")
                if self.program is not None and self.program.poll() is not None:
                    out.write(f"the program had ended with exit code {self.program.returncode}\n")
        # The program's output, what the desktop's parts said (the X server,
        # a window manager, a compositor, its session's services), and the
        # requests.
        logs = glob.glob(os.path.join(self.work, "*.log")) + [os.path.join(self.work, "bus", "requests.log")]
        for source in filter(os.path.exists, logs):
            shutil.copy(source, os.path.join(self.evidence_dir, os.path.basename(source)))
        print(f"\nevidence of the failed scenario kept in {self.evidence_dir}")

    # -- the simulated bus -------------------------------------------------------

    def plug(self, name, lines=()):
        """Plugs in a supported camera: its .cam file appears whole (written
        aside, then renamed), as a device appears on a bus. `lines` are
        further .cam lines: property ranges and values, faults, or another
        path and the controls of another make's camera."""
        text = (f"name=PTZ Camera {name}\n"
                f"path={SUPPORTED_PATH.format(serial=name)}\n"
                + "".join(f"{line}\n" for line in lines))
        temporary = os.path.join(self.bus, f".{name}.part")
        with open(temporary, "w") as out:
            out.write(text)
        os.rename(temporary, os.path.join(self.bus, f"{name}.cam"))

    # -- what is on the screen -----------------------------------------------------

    def windows(self):
        return self.display.visible_windows(self.program.pid)

    def main_window(self):
        """The panel's window, once it is mapped. Its size tells the scale
        Qt drew it at: 1, or 2 on a high-dpi screen."""
        def mapped():
            for w in self.windows():
                for scale in (1, 2):
                    if w.size == (panel.WINDOW_SIZE[0] * scale, panel.WINDOW_SIZE[1] * scale):
                        self.scale = scale
                        return w
            return None
        return wait_until(mapped, "the panel's window to be shown")

    def dialogs(self):
        size = (panel.DIALOG_SIZE[0] * self.scale, panel.DIALOG_SIZE[1] * self.scale)
        return [w for w in self.windows() if w.size == size]

    def dialog_kind(self, shot, dialog):
        """"no-device" (Quit and OK) or "no-camera" (one OK in the middle),
        told apart by where the black button grounds are."""
        quit_black = shot.count_near(panel.offset(panel.NO_DEVICE_QUIT, dialog.position),
                                     panel.KEY_BLACK, tolerance=8)
        middle_black = shot.count_near(panel.offset(panel.NO_CAMERA_OK, dialog.position),
                                       panel.KEY_BLACK, tolerance=8)
        area = panel.NO_CAMERA_OK[2] * panel.NO_CAMERA_OK[3]
        if quit_black > area // 2 and middle_black < area // 4:
            return "no-device"
        if middle_black > area // 2 and quit_black < area // 4:
            return "no-camera"
        return None

    def wait_for_dialog(self):
        dialogs = wait_until(self.dialogs, "a warning dialog to be shown")
        assert len(dialogs) == 1, f"expected one warning dialog, found {dialogs}"
        return dialogs[0]

    def wait_for_no_dialog(self):
        wait_until(lambda: not self.dialogs(), "the warning dialog to go away")

    def screenshot(self):
        return self.display.screenshot()

    def at(self, control, window=None):
        """Screen rectangle of a control of the main window."""
        return self.at_rect(panel.CONTROLS[control], window)

    def at_rect(self, rect, window=None):
        """Screen rectangle of a part of the main window."""
        window = window or self.main_window()
        return panel.offset(self.scaled(rect), window.position)

    def scaled(self, rect):
        return tuple(v * self.scale for v in rect)

    def chosen_tabs(self, shot, window):
        """Tabs whose caption shows the chosen (green) face."""
        return [n for n in panel.TABS
                if shot.count_near(self.at_rect(panel.tab_caption(n), window), panel.TAB_GREEN) >= 10]

    def black_tabs(self, shot, window):
        return [n for n in panel.TABS
                if shot.count_near(self.at_rect(panel.tab_caption(n), window), panel.TAB_BLACK,
                                   tolerance=12) >= 10]

    def mute_face(self, shot, window):
        rect = self.at("mute", window)
        red = shot.count_near(rect, panel.MUTE_RED)
        green = shot.count_near(rect, panel.MUTE_GREEN)
        if red >= 6 and green < 3:
            return "muted"
        if green >= 6 and red < 3:
            return "unmuted"
        return None

    def on_top_face(self, shot, window):
        """"on" or "off", as the stay-on-top button's glyph tells (dark or
        light); None while it shows neither."""
        rect = self.at("top", window)
        dark = shot.count_near(rect, panel.ON_TOP_GLYPH, tolerance=12)
        light = shot.count_near(rect, panel.NOT_ON_TOP_GLYPH, tolerance=12)
        if dark >= 40 and light < 5:
            return "on"
        if light >= 40 and dark < 5:
            return "off"
        return None

    # The window is looked up anew on each try: a window manager may still be
    # placing a window it has just mapped (GNOME Shell was seen moving the
    # panel 21 px down after mapping it), so the face is read, and the window
    # returned, where it is once the face is seen.
    def wait_for_camera_ready(self, tab=1):
        """Waits for the face of an open camera: tab `tab` alone green, the
        other tabs black, the mute button on its unmuted face."""
        def ready():
            window = self.main_window()
            shot = self.screenshot()
            return window if (self.chosen_tabs(shot, window) == [tab]
                              and len(self.black_tabs(shot, window)) == 4
                              and self.mute_face(shot, window) == "unmuted") else None
        return wait_until(ready, f"tab {tab} to turn green with the unmuted face")

    def wait_for_no_camera_face(self):
        def no_camera():
            window = self.main_window()
            shot = self.screenshot()
            return window if (not self.chosen_tabs(shot, window) and len(self.black_tabs(shot, window)) == 5
                              and self.mute_face(shot, window) == "muted") else None
        return wait_until(no_camera, "all tabs black and the muted face")

    # -- the session bus -------------------------------------------------------------

    def command(self, *words, display=False, timeout=60):
        """Runs `ptzdeck WORDS...` as a shortcut or a script would, in the
        session (its bus), without the display unless `display`: a command
        must not need one. Returns the finished process (returncode, stdout,
        stderr)."""
        env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            env.pop(name, None)
        if display:
            env["DISPLAY"] = self.display.name
        if self.bus_address:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        env["XDG_RUNTIME_DIR"] = os.path.join(self.work, "runtime")
        env["XDG_CONFIG_HOME"] = self.config_path()  # the panel's: `camera add` edits its cameras.conf
        return subprocess.run([self.program_path, *map(str, words)], env=env, capture_output=True, text=True,
                              timeout=timeout, cwd=self.work)

    def bus_call(self, method, *arguments, interface="io.github.ptzdeck.Panel"):
        """A method call on the panel's object, its arguments typed as
        dbus-send takes them ("int32:3", "string:left"); the finished
        dbus-send."""
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus_address)
        return subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=io.github.ptzdeck.ptzdeck",
                               "/io/github/ptzdeck/Panel", f"{interface}.{method}", *arguments],
                              env=env, capture_output=True, text=True, timeout=60)

    # -- acting ------------------------------------------------------------------

    def click(self, control, window=None):
        self.display.click(*panel.centre(self.at(control, window)))

    def click_in(self, dialog, rect):
        self.display.click(*panel.centre(panel.offset(rect, dialog.position)))

    def fence(self, since):
        """Clicks HOME and waits for it to reach the camera. Everything the
        panel sent before it is in the log by then (one thread, events in
        order), so this is how a scenario knows that nothing else came.
        Returns the requests after `since`, up to but without the Home."""
        self.click("home")
        return self.log.wait_for(Home, since, what="the HOME click to reach the camera")[:-1]

    def wait_for_exit(self, timeout=30):
        def exited():
            return self.program.poll() is not None
        wait_until(exited, "the program to end", timeout=timeout)
        return self.program.returncode


class Scenario(unittest.TestCase):
    """Base of the scenarios: a session named after the test, and checks of
    what the camera received."""

    maxDiff = None

    def session(self, **kwargs):
        # Inside subTest, named after the case too: each case's evidence is
        # its own, not wiped by the next case's session.
        case = getattr(self, "_subtest", None) or self
        name = re.sub(r"[^\w.=-]+", "_", case.id().split(".", 1)[-1]).strip("_")
        return PanelSession(name, **kwargs)

    def assertSent(self, requests, expected, camera=None):
        """`requests` are exactly the operations `expected`, in order."""
        commands = [r for r in requests if r.is_command]
        ok = len(commands) == len(expected) and all(
            op.matches(r, camera) for op, r in zip(expected, commands))
        if not ok:
            self.fail("the cameras received:\n  " + "\n  ".join(map(str, commands) or ["(nothing)"])
                      + "\nexpected:\n  " + "\n  ".join(map(str, expected) or ["(nothing)"])
                      + (f"\non {camera}" if camera else ""))

    def assertNothingSent(self, requests):
        self.assertSent(requests, [])

    def minimise_to_the_xembed_tray_and_back(self, s):
        """Minimises the panel with its own button into an XEmbed
        notification area (the desktop's tray must have one) and double-clicks
        its icon there: the panel comes back where it was, camera and all."""
        window = s.wait_for_camera_ready()

        def tray_icon():
            return next((w for w in s.windows() if w.width <= 64 and w.height <= 64), None)
        icon = wait_until(tray_icon, "the panel's icon in the notification area")

        s.click("min")
        wait_until(lambda: all(w.size != panel.WINDOW_SIZE for w in s.windows()),
                   "the window to go to the notification area")
        self.assertIsNotNone(tray_icon(), "the icon stays while the window is away")

        # An XEmbed icon reports clicks as they come: a double click restores.
        s.display.move_pointer(*panel.centre((icon.x, icon.y, icon.width, icon.height)))
        s.display.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        back = s.main_window()
        self.assertEqual(back.position, window.position)
        s.wait_for_camera_ready()
