# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""What the panel tells a person who cannot see its pictures or does not
know them yet: tool tips, a screen reader's view through AT-SPI, keys for
every function, the person's language."""

import json
import os
import re
import subprocess
import time
import xml.etree.ElementTree as ElementTree

import panel
from camera_requests import (FlipOn, FocusFar, FocusManual, FocusStop, FramingManual, Home, MirrorOn,
                             MuteOn, PanLeft, PresetClear, PresetSet, SetBacklight)
from session import Scenario
from waiting import wait_until

# Debian's pyatspi, which the python running the tests may not see.
READER = ["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_client.py")]
ENGLISH = {"LANGUAGE": "en", "LC_ALL": "C.UTF-8"}
# A screen reader asks Qt for its accessibility bridge, which Qt otherwise
# starts only when the desktop says one is running.
SCREEN_READER = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
TRANSLATIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app", "translations")
CONTROL_ROLES = {"push button", "check box", "page tab", "slider", "dial", "combo box"}


class ScreenReader:
    def __init__(self, session):
        self.session = session
        self.env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        self.env["DBUS_SESSION_BUS_ADDRESS"] = session.bus_address

    def _run(self, command, *args):
        return subprocess.run([*READER, command, str(self.session.program.pid), *args],
                              env=self.env, capture_output=True, text=True, timeout=60)

    def tree(self):
        """Every object of the program's, once it is on the bus."""
        def read():
            done = self._run("tree")
            return [json.loads(line) for line in done.stdout.splitlines()] if done.returncode == 0 else None
        return wait_until(read, "the panel to appear to the screen reader")

    def control(self, name):
        return next((c for c in self.tree() if c["name"] == name), None)

    def act(self, name, action):
        done = self._run("act", name, action)
        assert done.returncode == 0, f"{action} on {name!r}: {done.returncode} {done.stderr}"


def tips(s, window):
    return [w for w in s.windows() if w.id != window.id]


class ToolTips(Scenario):
    def test_tips_show_but_not_under_a_held_joystick(self):
        with self.session(environment=ENGLISH) as s:
            window = s.wait_for_camera_ready()
            for control in ("home", "3", "mute", "zoom", "cam2"):
                s.display.move_pointer(*panel.centre(s.at(control, window)))
                wait_until(lambda: tips(s, window), f"a tool tip over {control}")
                s.display.move_pointer(*panel.centre(s.at("background", window)))
                wait_until(lambda: not tips(s, window), f"the tool tip of {control} to go")
            # Over the joystick its tip shows; a hand on the knob puts it
            # away, and none comes back while the hand holds it.
            stick = panel.centre(s.at("joystick", window))
            s.display.move_pointer(*stick)
            shown_after = time.monotonic()
            wait_until(lambda: tips(s, window), "the joystick's tool tip")
            shown_after = time.monotonic() - shown_after
            s.display.press_button()
            try:
                wait_until(lambda: not tips(s, window), "the tip to go under the hand")
                s.display.move_pointer(stick[0] + 2, stick[1] + 1)
                held_until = time.monotonic() + 3 * shown_after + 1
                while time.monotonic() < held_until:
                    self.assertEqual(tips(s, window), [], "a tool tip under the held joystick")
            finally:
                s.display.release_button()


class ScreenReaders(Scenario):
    def test_every_control_named_with_its_role_and_state(self):
        with self.session(session_bus=True, environment={**ENGLISH, **SCREEN_READER}) as s:
            s.wait_for_camera_ready()
            reader = ScreenReader(s)
            s.click("setting")  # the pane's controls too
            def with_pane():
                tree = reader.tree()
                return tree if any(c["role"] == "combo box" for c in tree) else None
            tree = wait_until(with_pane, "the pane's controls")
            controls = [c for c in tree if c["role"] in CONTROL_ROLES]
            self.assertEqual([c for c in controls if not c["name"].strip()], [], "controls without a name")
            roles = [c["role"] for c in controls]
            # 7 toggles (focus, framing, mute, flip, mirror, on top, the pane),
            # the five camera tabs, the joystick, 2 + 7 sliders, the combo,
            # and the rest push buttons (keypad, push, home, window, pane).
            self.assertEqual({r: roles.count(r) for r in CONTROL_ROLES},
                             {"check box": 7, "page tab": 5, "dial": 1, "slider": 9, "combo box": 1,
                              "push button": 18})
            self.assertEqual([c for c in controls if not c["description"].strip()], [],
                             "controls that do not say what they do")
            # The open camera's tab names it and is the selected one.
            status = s.command("status").stdout
            camera = status.split("camera 1: ", 1)[1].splitlines()[0]
            tabs = sorted((c for c in controls if c["role"] == "page tab"), key=lambda c: c["name"])
            self.assertEqual([camera in t["name"] for t in tabs], [True, False, False, False, False])
            self.assertEqual(["selected" in t["states"] for t in tabs], [True, False, False, False, False])

            # A button pressed by the reader does what a click does, and a
            # toggle's state follows.
            self.assertNotIn("checked", reader.control("Mute")["states"])
            mark = s.log.mark()
            reader.act("Mute", "Toggle")
            s.log.wait_for(MuteOn, mark)
            wait_until(lambda: "checked" in reader.control("Mute")["states"], "mute to read as checked")
            reader.act("Home", "Press")
            self.assertSent(s.log.wait_for(Home, mark), [MuteOn, Home])

            # The joystick's value is its speed while a hand holds it.
            stick = panel.centre(s.at("joystick"))
            s.display.move_pointer(*stick)
            s.display.press_button()
            try:
                s.display.move_along(stick, (stick[0] + 80, stick[1]), 8)
                flip = [0]

                def full_speed():
                    flip[0] ^= 1  # a resting hand trembles: the knob is drawn where it is
                    s.display.move_pointer(stick[0] + 80, stick[1] + flip[0])
                    return reader.control("Pan and tilt")["value"] == 7
                wait_until(full_speed, "the joystick at full speed")
            finally:
                s.display.release_button()
            wait_until(lambda: reader.control("Pan and tilt")["value"] == 0, "the joystick still again")


class Keys(Scenario):
    def test_keys_alone_drive_every_function(self):
        with self.session(session_bus=True, environment=ENGLISH) as s:
            window = s.wait_for_camera_ready()
            s.display.move_pointer(*panel.centre(s.at("background", window)))  # the keyboard follows it
            mark = s.log.mark()
            for key in ("a", "o", "u", "v", "r", "Home", "s", "3", "c", "3"):
                s.display.key(key)
            s.display.key_down("Page_Up")  # held: focus moves, in manual focus
            s.log.wait_for(FocusFar, mark)
            s.display.key_up("Page_Up")
            self.assertSent(s.log.wait_for(FocusStop, mark),
                            [FocusManual, FramingManual, MuteOn, FlipOn, MirrorOn, Home, PresetSet(3),
                             PresetClear(3), FocusFar, FocusStop])

            # Camera 2, and its picture settings: Tab reaches the pane's
            # first slider, the arrows change it; a click gives the keys back
            # to the camera.
            mark = s.log.mark()
            s.display.key("alt+2")
            s.log.wait_for_reads("cam2", mark)
            s.display.key("ctrl+comma")
            s.display.key("Tab")
            s.display.key("Right")
            s.log.wait_for(SetBacklight(), mark, camera="cam2")
            s.click("value_blc")
            s.display.key("Left")
            s.log.wait_for(PanLeft(21), mark, camera="cam2")
            pane = s.screenshot().region(s.at_rect(panel.PANE, window))
            s.display.key("Escape")
            wait_until(lambda: s.screenshot().region(s.at_rect(panel.PANE, window)) != pane, "the pane to close")

            on_top = s.on_top_face(s.screenshot(), window)
            s.display.key("ctrl+t")
            wait_until(lambda: s.on_top_face(s.screenshot(), window) != on_top, "the stay-on-top face to turn")
            s.display.key("ctrl+m")
            wait_until(lambda: "shown: no" in s.command("status").stdout, "the panel to be minimized")
            s.command("show")
            wait_until(lambda: "shown: yes" in s.command("status").stdout, "the panel back")
            s.display.key("ctrl+q")
            self.assertEqual(s.wait_for_exit(), 0)


def catalog_patterns(language):
    """The texts of the panel's catalog for `language`, the source's and the
    translation's, each as a pattern that any argument (%1) fills."""
    def pattern(text):
        return re.compile(re.sub(r"%\d", ".+", re.escape(text)) + "$")
    root = ElementTree.parse(os.path.join(TRANSLATIONS, f"ptzdeck_{language}.ts")).getroot()
    pairs = [(m.findtext("source"), m.findtext("translation")) for m in root.iter("message")]
    return ([pattern(s) for s, t in pairs if s != t], [pattern(t) for s, t in pairs])


class Languages(Scenario):
    def test_a_german_session_reads_german(self):
        english, german = catalog_patterns("de")
        with self.session(session_bus=True,
                          environment={"LANGUAGE": "de", "LANG": "de_DE.UTF-8", **SCREEN_READER}) as s:
            s.wait_for_camera_ready()
            reader = ScreenReader(s)
            # The joystick's description joins its motion to its tip.
            texts = [text for c in reader.tree() if c["role"] in CONTROL_ROLES
                     for text in (c["name"], *c["description"].split(". ", 1))]
            self.assertEqual(len(texts), 2 * 31 + 1)
            self.assertEqual([t for t in texts if not any(p.match(t) for p in german)], [], "not the catalog's German")
            self.assertEqual([t for t in texts if any(p.match(t) for p in english)], [], "still English")
