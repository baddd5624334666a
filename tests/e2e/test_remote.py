# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The running panel driven from outside, as shortcuts and scripts drive it:
its command line (run without the display, as from a key binding or a
shell) and its interface on a session bus of the scenario's own; one panel
a session. Judged by what the cameras receive, the exit statuses and the
faces the window shows."""

import json
import os
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree

import panel
from camera_requests import (FlipOff, FlipOn, FocusAuto, FocusFar, FocusManual, FocusNear, FocusStop,
                             FramingAuto, FramingManual, Home, MirrorOff, MirrorOn, MuteOff, MuteOn, PanLeft,
                             PanRight, PanStop, PresetCall, PresetClear, PresetSet, TiltDown, TiltStop, TiltUp,
                             ZoomIn, ZoomOut, ZoomStop)
from display import die_with_parent
from session import SOURCE_DIR, Scenario
from waiting import wait_until

sys.path.insert(0, os.path.join(SOURCE_DIR, "..", "bridge"))
from bridge import Bridge  # noqa: E402  (ptzdeck-bridge and its VISCA clients)

INTERFACE_FILE = os.path.join(SOURCE_DIR, "..", "..", "packaging", "dbus", "io.github.ptzdeck.Panel.xml")
SESSION_BUS_TOOL = ["/usr/bin/python3", os.path.join(os.path.dirname(os.path.abspath(__file__)), "session_bus.py")]
OBJECT_PATH = "/io/github/ptzdeck/Panel"
INTERFACE = "io.github.ptzdeck.Panel"
CENTRE_STOPS = [TiltStop, TiltStop, PanStop, PanStop]  # the joystick's centre
NO_CAMERA = "ptzdeck: the panel has no open camera\n"


class Remote(Scenario):
    def session(self, **kwargs):
        kwargs.setdefault("session_bus", True)
        return super().session(**kwargs)

    def run_ok(self, s, *words):
        done = s.command(*words)
        self.assertEqual((done.returncode, done.stderr), (0, ""), f"ptzdeck {' '.join(map(str, words))}")
        return done.stdout

    def sends(self, s, words, expected):
        """`ptzdeck WORDS` succeeds, and by the time it has returned the
        cameras received exactly `expected`."""
        mark = s.log.mark()
        self.run_ok(s, *words)
        self.assertSent(s.log.commands_since(mark), expected)

    def status(self, s):
        return json.loads(self.run_ok(s, "status", "--json"))

    def face(self, s, control):
        return s.screenshot().region(s.at(control))

    def wait_for_face(self, s, control, face, what):
        wait_until(lambda: self.face(s, control) == face, what)

    def wait_for_other_face(self, s, control, old, what):
        return wait_until(lambda: (lambda now: now if now != old else None)(self.face(s, control)), what)


class Commands(Remote):
    def test_presets_home_and_zoom_leave_the_keypad_as_it_was(self):
        with self.session() as s:
            s.wait_for_camera_ready()
            for words, expected in [
                (("call", 3), [PresetCall(3)]),
                (("store", 4), [PresetSet(4)]),
                (("clear", 0), [PresetClear(0)]),
                (("call", 9), [PresetCall(9)]),
                (("home",), [Home]),
                (("zoom", "in"), [ZoomIn]),
                (("zoom", "stop"), [ZoomStop]),
                (("zoom", "out"), [ZoomOut]),
                (("zoom", "stop"), [ZoomStop]),
            ]:
                with self.subTest(words=words):
                    self.sends(s, words, expected)

            # The interface itself, as another program calls it.
            mark = s.log.mark()
            done = s.bus_call("RecallPreset", "int32:7")
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertSent(s.log.commands_since(mark), [PresetCall(7)])

            # A hand left the keypad in store mode: a command recalls, and the
            # next digit clicked still stores. A stored preset by command
            # leaves no mode behind: the digit clicked next recalls.
            mark = s.log.mark()
            s.click("set")
            self.run_ok(s, "call", 2)
            s.click("5")
            self.run_ok(s, "store", 6)
            s.click("6")
            self.assertSent(s.fence(mark), [PresetCall(2), PresetSet(5), PresetSet(6), PresetCall(6)])

    def test_moves_in_every_direction_then_stop(self):
        with self.session(cameras=("cam1",)) as s:
            s.wait_for_camera_ready()
            # The joystick's operations for each direction; an axis that the
            # next direction does not drive stops first.
            for words, expected in [
                (("move", "left"), [PanLeft(21)]),
                (("move", "right", 7), [PanRight(7)]),
                (("move", "up"), [PanStop, TiltUp(14)]),
                (("move", "down", 3), [TiltDown(3)]),
                (("move", "up-left"), [PanLeft(21), TiltUp(14)]),
                (("move", "up-right", "9,4"), [PanRight(9), TiltUp(4)]),
                (("move", "down-left", 5), [PanLeft(5), TiltDown(5)]),
                (("move", "down-right", "0,14"), [TiltDown(14), PanRight(0)]),
                (("move", "right"), [TiltStop, PanRight(21)]),
                (("stop",), CENTRE_STOPS),
            ]:
                with self.subTest(words=words):
                    self.sends(s, words, expected)

    def test_a_timed_move_stops_by_itself_and_a_held_key_keeps_it_going(self):
        with self.session(cameras=("cam1",)) as s:
            s.wait_for_camera_ready()
            # It answers once stopped.
            mark = s.log.mark()
            started = time.monotonic()
            self.run_ok(s, "move", "down-left", "--for", "0.4")
            self.assertGreaterEqual(time.monotonic() - started, 0.4)
            self.assertSent(s.log.commands_since(mark), [PanLeft(21), TiltDown(14)] + CENTRE_STOPS)

            # A key held down repeats its shortcut: each repeat answers the one
            # before, sends nothing new and puts the stop later.
            mark = s.log.mark()
            env = self.command_env(s)
            first = subprocess.Popen([s.program_path, "move", "left", "10", "--for=8"], env=env,
                                     preexec_fn=die_with_parent)
            s.log.wait_for(PanLeft(10), mark)
            repeat = subprocess.Popen([s.program_path, "move", "left", "10", "--for", "8"], env=env,
                                      preexec_fn=die_with_parent)
            try:
                self.assertEqual(first.wait(timeout=60), 0)
                self.assertIsNone(repeat.poll(), "the repeated move answered before it stopped")
                self.assertSent(s.log.commands_since(mark), [PanLeft(10)])
                # Another command takes over at once.
                self.sends(s, ("move", "right", 4), [PanRight(4)])
                self.assertEqual(repeat.wait(timeout=60), 0)
            finally:
                for process in (first, repeat):
                    if process.poll() is None:
                        process.kill()
                        process.wait()
            self.assertSent(s.fence(mark), [PanLeft(10), PanRight(4)])

    def command_env(self, s):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["DBUS_SESSION_BUS_ADDRESS"] = s.bus_address
        return env

    def test_toggles_change_the_faces_a_click_would(self):
        with self.session(cameras=("cam1",)) as s:
            s.wait_for_camera_ready()
            framing_face, af_face = self.face(s, "ai"), self.face(s, "af")
            faces = {}
            for words, expected, control, key, value in [
                (("framing", "off"), FramingManual, "ai", "framing", False),
                (("framing", "on"), FramingAuto, "ai", "framing", True),
                (("af", "off"), FocusManual, "af", "af", False),
                (("af", "on"), FocusAuto, "af", "af", True),
                (("mute", "on"), MuteOn, "mute", "mute", True),
                (("mute", "off"), MuteOff, "mute", "mute", False),
                (("mute", "off"), MuteOff, "mute", "mute", False),  # asked again: sent again
                (("mirror", "on"), MirrorOn, None, "mirror", True),
                (("mirror", "off"), MirrorOff, None, "mirror", False),
                (("flip", "on"), FlipOn, None, "flip", True),
                (("flip", "off"), FlipOff, None, "flip", False),
            ]:
                with self.subTest(words=words):
                    self.sends(s, words, [expected])
                    self.assertIs(self.status(s)[key], value)
                    if control == "mute":
                        wait_until(lambda: s.mute_face(s.screenshot(), s.main_window())
                                   == ("muted" if value else "unmuted"), f"the face after {words}")
                    elif control:
                        start = framing_face if control == "ai" else af_face
                        if value:
                            self.wait_for_face(s, control, start, f"the start face after {words}")
                        else:
                            faces[control] = self.wait_for_other_face(s, control, start, f"the face after {words}")

            # A click shows the same faces.
            for control in ("ai", "af"):
                s.click(control)
                self.wait_for_face(s, control, faces[control], f"{control}'s face after a click")

            # Focus moves in manual focus only, as the slider does.
            self.run_ok(s, "af", "on")
            mark = s.log.mark()
            done = s.command("focus", "near")
            self.assertEqual(done.returncode, 4)
            self.assertIn("manual focus", done.stderr)
            self.assertEqual(s.log.commands_since(mark), [])
            self.run_ok(s, "af", "off")
            for words, expected in [(("focus", "near"), [FocusNear]), (("focus", "far"), [FocusFar]),
                                    (("focus", "stop"), [FocusStop])]:
                self.sends(s, words, expected)

            # A command the camera does not take: it received it, the command
            # says so, and the face and state stay as they were. A cause the
            # user can mend is said too, and the window's notice tells it over
            # the joystick, as after a click.
            path = os.path.join(s.bus, "cam1.cam")
            with open(path) as cam:
                healthy = cam.read()
            joystick = self.face(s, "joystick")
            not_taken = "ptzdeck: the camera did not take the command"
            for fault, said in [("ks-set", not_taken + "\n"),
                                ("ks-set,refused", not_taken + ": This camera takes its own commands only while no "
                                 "other program is using it: close the program that shows its picture, then try "
                                 "again.\n")]:
                with self.subTest(fault=fault):
                    with open(path, "w") as cam:  # the same file: the same camera, with the fault
                        cam.write(healthy + f"fault.camera-control.2={fault}\n")
                    mark = s.log.mark()
                    done = s.command("mute", "on")
                    self.assertEqual((done.returncode, done.stderr), (4, said))
                    self.assertSent(s.log.commands_since(mark), [MuteOn])
                    self.assertIs(self.status(s)["mute"], False)
                    self.assertEqual(s.mute_face(s.screenshot(), s.main_window()), "unmuted")
            self.wait_for_other_face(s, "joystick", joystick, "the notice over the joystick")
            with open(path, "w") as cam:
                cam.write(healthy)
            self.sends(s, ("mute", "on"), [MuteOn])
            wait_until(lambda: s.mute_face(s.screenshot(), s.main_window()) == "muted", "the muted face")


class Cameras(Remote):
    def signals(self, text):
        """The CamerasChanged signals dbus-monitor printed: (names, chosen, open)."""
        found = []
        for block in text.split("\nsignal ")[1:]:
            if "member=CamerasChanged" not in block:
                continue
            lines = [line.strip() for line in block.splitlines()[1:]]
            names = [line[len('string "'):-1] for line in lines if line.startswith('string "')]
            chosen = next(int(line.split()[1]) for line in lines if line.startswith("int32 "))
            opened = next(line.split()[1] == "true" for line in lines if line.startswith("boolean "))
            found.append((names, chosen, opened))
        return found

    def test_choose_cameras_and_hear_of_changes(self):
        with self.session(cameras=("cam1", "cam2", "cam3")) as s:
            window = s.wait_for_camera_ready(tab=1)
            out = os.path.join(s.work, "monitor.txt")
            with open(out, "w") as sink:
                monitor = subprocess.Popen(
                    ["dbus-monitor", "--address", s.bus_address, f"type='signal',interface='{INTERFACE}'"],
                    stdout=sink, stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
            try:
                # dbus-monitor says when it is listening.
                wait_until(lambda: "NameAcquired" in read(out) or "NameLost" in read(out), "dbus-monitor to listen")
                names = ["PTZ Camera cam1", "PTZ Camera cam2", "PTZ Camera cam3"]
                state = self.status(s)
                self.assertEqual((state["cameras"], state["chosen"], state["open"]), (names, 1, True))

                # Camera 2: opened and read, its tab green, and the news on the bus.
                mark = s.log.mark()
                self.run_ok(s, "camera", 2)
                s.log.wait_for_reads("cam2", mark)
                s.wait_for_camera_ready(tab=2)
                self.assertEqual(s.log.commands_since(mark), [])
                wait_until(lambda: (names, 2, True) in self.signals(read(out)), "CamerasChanged for camera 2")
                self.assertEqual(self.status(s)["chosen"], 2)

                # Camera 4 of three: the window warns as for a click, nothing
                # is sent, and camera 2 stays.
                mark = s.log.mark()
                done = s.command("camera", 4)
                self.assertEqual((done.returncode, done.stderr),
                                 (4, "ptzdeck: camera 4 is not plugged in (3 found)\n"))
                dialog = s.wait_for_dialog()
                wait_until(lambda: s.dialog_kind(s.screenshot(), dialog) == "no-camera", "the no-camera warning")
                self.assertEqual(s.chosen_tabs(s.screenshot(), window), [2])
                self.assertEqual(s.log.since(mark), [])
                s.click_in(dialog, panel.NO_CAMERA_OK)
                s.wait_for_no_dialog()

                # A camera unplugged: the pass opens camera 1 again, and says so.
                os.remove(os.path.join(s.bus, "cam3.cam"))
                wait_until(lambda: (names[:2], 1, True) in self.signals(read(out)),
                           "CamerasChanged for two cameras")
                state = self.status(s)
                self.assertEqual((state["cameras"], state["chosen"]), (names[:2], 1))
                text = self.run_ok(s, "status")
                self.assertIn("cameras: 2\ncamera 1: PTZ Camera cam1\ncamera 2: PTZ Camera cam2\nchosen: 1\n"
                              "open: yes\n", text)
            finally:
                monitor.terminate()
                monitor.wait()

    def test_bus_clients_hear_every_change_whatever_made_it(self):
        with self.session(cameras=("cam1", "cam2"), window_manager=True) as s:
            s.wait_for_camera_ready(tab=1)
            clients = BusClients(s)
            try:
                names = ["PTZ Camera cam1", "PTZ Camera cam2"]
                steps = [
                    ("a click on mute", lambda: s.click("mute"), {"Muted": True}),
                    # The framing key turns the state with the face: the bus,
                    # the command line and the next click agree.
                    ("key M", lambda: s.display.key("m"), {"AutoFraming": False}),
                    # Mute asked for again and HOME change nothing and announce
                    # nothing: af off is all that is heard.
                    ("mute on again, home, af off",
                     lambda: [self.run_ok(s, *words) for words in (("mute", "on"), ("home",), ("af", "off"))],
                     {"AutoFocus": False}),
                    ("mirror on", lambda: self.run_ok(s, "mirror", "on"), {"Mirrored": True}),
                    ("flip on", lambda: s.bus_call("SetFlip", "boolean:true"), {"Flipped": True}),
                    ("camera 2", lambda: self.run_ok(s, "camera", 2), {"ChosenCamera": 2}),
                    ("on-top off", lambda: self.run_ok(s, "on-top", "off"), {"StaysOnTop": False}),
                    ("hide", lambda: self.run_ok(s, "hide"), {"Shown": False}),
                    ("show", lambda: self.run_ok(s, "show"), {"Shown": True}),
                    ("a camera plugged in", lambda: s.plug("cam3"),
                     {"Cameras": names + ["PTZ Camera cam3"], "ChosenCamera": 1}),
                    ("every camera unplugged", lambda: [os.remove(os.path.join(s.bus, f"cam{n}.cam"))
                                                         for n in (1, 2, 3)],
                     {"Cameras": [], "ChosenCamera": 0, "CameraOpen": False}),
                ]
                for what, act, changes in steps:
                    with self.subTest(step=what):
                        mark = clients.mark()
                        act()
                        heard = clients.wait_for(mark, changes, f"PropertiesChanged after {what}")
                        if what == "key M":
                            self.assertIs(self.status(s)["framing"], False)
                            sent, mark = s.log.mark(), clients.mark()
                            s.click("ai")
                            s.log.wait_for(FramingAuto, sent, what="the click after key M")
                            clients.wait_for(mark, {"AutoFraming": True}, "AutoFraming back on")
                        if what.startswith("mute on again"):
                            self.assertEqual([m["changed"] for m in heard], [{"AutoFocus": False}])
                        self.assertTrue(all(m["invalidated"] == [] for m in heard), heard)
            finally:
                clients.close()

    def test_the_installed_description_is_the_interface(self):
        with self.session(cameras=("cam1",)) as s:
            s.wait_for_camera_ready()
            done = s.bus_call("Introspect", interface="org.freedesktop.DBus.Introspectable")
            self.assertEqual(done.returncode, 0, done.stderr)
            live = done.stdout[done.stdout.index("<!DOCTYPE"):done.stdout.rindex("</node>") + len("</node>")]
            self.assertEqual(describe(ElementTree.fromstring(live)),
                             describe(ElementTree.parse(INTERFACE_FILE).getroot()))


def read(path):
    with open(path) as f:
        return f.read()


def gvariant_entry(name, value):
    """How gdbus prints one entry of a PropertiesChanged dictionary."""
    if isinstance(value, bool):
        text = "true" if value else "false"
    elif isinstance(value, int):
        text = str(value)
    else:
        text = "[" + ", ".join(f"'{item}'" for item in value) + "]" if value else "@as []"
    return f"'{name}': <{text}>"


class BridgeBeside(Remote):
    def test_the_panel_says_where_the_bridge_serves_and_follows_its_focus_mode(self):
        """ptzdeck-bridge on the session's bus and cameras: the tray menu and
        status say whether it serves and where; a client's focus mode on the
        camera shown turns the AF face, one on another camera does not."""
        with self.session(cameras=("cam1", "cam2"), tray=True) as s:
            s.wait_for_camera_ready(tab=1)
            tray = [*SESSION_BUS_TOOL, "menu", f"org.kde.StatusNotifierItem-{s.program.pid}-1"]
            bus = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=s.bus_address)
            lines = lambda: [e["label"] for e in json.loads(subprocess.run(
                tray, env=bus, capture_output=True, text=True, check=True).stdout) if e["label"].startswith("VISCA")]
            wait_until(lambda: lines() == ["VISCA bridge: off"], "the tray menu to say the bridge is off")
            self.assertIsNone(self.status(s)["bridge"])
            bridge = Bridge(cameras=(), bus=s.bus, env={"DBUS_SESSION_BUS_ADDRESS": s.bus_address,
                                                        "XDG_CONFIG_HOME": s.config_path()})
            clients = BusClients(s)
            try:
                ports = [f"camera {n}: Sony UDP 127.0.0.1:{bridge.sony + n - 1}, raw UDP 127.0.0.1:"
                         f"{bridge.raw + n - 1}, TCP 127.0.0.1:{bridge.tcp + n - 1}" for n in (1, 2)]
                wait_until(lambda: self.status(s)["bridge"] == ports, "status to give the bridge's ports")
                self.assertIn("bridge: on\n" + "".join(f"bridge {line}\n" for line in ports), self.run_ok(s, "status"))
                wait_until(lambda: lines() == [f"VISCA bridge, {line}" for line in ports], "the tray menu's ports")
                faces = {True: self.face(s, "af")}
                mark = clients.mark()
                for camera, command, automatic in [
                        (1, "81 01 04 38 03 ff", False),  # manual
                        (2, "81 01 04 38 02 ff", False),  # auto, on the camera not shown
                        (1, "81 01 04 18 01 ff", False),  # one push ends in manual
                        (1, "81 01 04 38 10 ff", True),   # the toggle
                        (1, "81 01 04 38 03 ff", False)]:
                    with self.subTest(camera=camera, command=command):
                        client = bridge.client("raw", camera)
                        client.send(command)
                        self.assertEqual((client.receive(), client.receive()), ("9041ff", "9051ff"))
                        wait_until(lambda: self.status(s)["af"] is automatic, f"af {automatic}")
                        if automatic not in faces:
                            faces[automatic] = self.wait_for_other_face(s, "af", faces[True], "the MF face")
                        self.wait_for_face(s, "af", faces[automatic], "the AF key's face")
                # Each change announced once: camera 2's made none.
                heard = [m["changed"]["AutoFocus"] for m in clients.heard()[1][mark[1]:] if "AutoFocus" in m["changed"]]
                self.assertEqual(heard, [False, True, False])
                bridge.process.kill()  # however it ends, the bus says so
                wait_until(lambda: self.status(s)["bridge"] is None, "status to say the bridge is off")
                wait_until(lambda: lines() == ["VISCA bridge: off"], "the tray menu to say the bridge is off")
            finally:
                clients.close()
                bridge.stop()


class BusClients:
    """Two clients the project did not write, following the panel's
    properties from their PropertiesChanged: gdbus monitor and a
    dbus-python signal receiver."""

    def __init__(self, s):
        self.outs = [os.path.join(s.work, name) for name in ("gdbus-monitor.txt", "dbus-python.txt")]
        self.processes = []
        for command, out in zip([["gdbus", "monitor", "--session", "--dest", "io.github.ptzdeck.ptzdeck",
                                  "--object-path", OBJECT_PATH],
                                 SESSION_BUS_TOOL + ["properties-changed", OBJECT_PATH]], self.outs):
            with open(out, "w") as sink:
                self.processes.append(subprocess.Popen(
                    command, env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=s.bus_address), stdout=sink,
                    stderr=subprocess.STDOUT, preexec_fn=die_with_parent))
        # gdbus asks who owns the name once its match is on the bus.
        wait_until(lambda: "is owned by" in read(self.outs[0]) and read(self.outs[1]).startswith('"listening"\n'),
                   "gdbus monitor and the dbus-python receiver to listen")

    def close(self):
        for process in self.processes:
            process.terminate()
            process.wait()

    def heard(self):
        """What each has heard from the panel's interface: gdbus's lines,
        dbus-python's messages."""
        return ([line for line in read(self.outs[0]).splitlines() if f"PropertiesChanged ('{INTERFACE}', {{" in line],
                [m for m in map(json.loads, read(self.outs[1]).split("\n")[1:-1]) if m["interface"] == INTERFACE])

    def mark(self):
        return tuple(map(len, self.heard()))

    def wait_for(self, mark, changes, what):
        """Both hear, after `mark`, every property of `changes` with its new
        value; returns dbus-python's messages."""
        def heard():
            lines, messages = (got[at:] for got, at in zip(self.heard(), mark))
            return all(any(gvariant_entry(name, value) in line for line in lines) and
                       any(m["changed"].get(name, ()) == value for m in messages) for name, value in changes.items())
        wait_until(heard, what)
        return self.heard()[1][mark[1]:]


def describe(node):
    """The panel's interface as a caller sees it: each member's kind, name
    and arguments (name, type, direction), each property's type and access."""
    interface = next(i for i in node.iter("interface") if i.get("name") == INTERFACE)
    members = set()
    for member in interface:
        if member.tag in ("method", "signal"):
            arguments = tuple((a.get("name"), a.get("type"), a.get("direction", "in" if member.tag == "method"
                                                                                  else "out"))
                              for a in member.iter("arg"))
            members.add((member.tag, member.get("name"), arguments))
        elif member.tag == "property":
            members.add(("property", member.get("name"), (member.get("type"), member.get("access"))))
    return sorted(members)


class Window(Remote):
    def stacking(self, s):
        """Client windows from bottom to top, as the window manager stacks them."""
        found = subprocess.run(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"], env=s.display.env(),
                               capture_output=True, text=True, timeout=30).stdout
        return [int(w, 16) for w in found.split("#", 1)[-1].replace(",", " ").split()] if "#" in found else []

    def window_of_class(self, s, name):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", name], env=s.display.env(),
                               capture_output=True, text=True, timeout=30).stdout.split()
        return s.display.window(int(found[0])) if found else None

    def shown(self, s):
        return any(w.size == panel.WINDOW_SIZE for w in s.windows())

    def test_show_hide_stay_on_top_and_one_panel_a_session(self):
        # A desktop with a notification area for the panel to hide to.
        with self.session(cameras=("cam1",), window_manager=True) as s:
            window = s.wait_for_camera_ready()
            for words, shown in [(("hide",), False), (("show",), True), (("toggle",), False),
                                 (("toggle",), True)]:
                with self.subTest(words=words):
                    self.run_ok(s, *words)
                    wait_until(lambda: self.shown(s) == shown, f"the window {'shown' if shown else 'hidden'}")
                    self.assertIs(self.status(s)["shown"], shown)
            self.assertEqual(s.main_window().position, window.position)

            on_top = self.face(s, "top")
            self.run_ok(s, "on-top", "off")
            self.wait_for_other_face(s, "top", on_top, "the not-on-top face")
            self.assertIs(self.status(s)["on_top"], False)

            # Another window over the panel; the panel hidden to the tray.
            covering = subprocess.Popen(["xmessage", "-geometry", f"+{window.x + 20}+{window.y + 20}",
                                         "covering the panel"], env=s.display.env(), preexec_fn=die_with_parent,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                cover = wait_until(lambda: self.window_of_class(s, "Xmessage"), "the covering window")
                panel_window = s.main_window()
                wait_until(lambda: cover.id in self.stacking(s) and panel_window.id in self.stacking(s) and
                           self.stacking(s).index(cover.id) > self.stacking(s).index(panel_window.id),
                           "the other window above the panel")
                self.run_ok(s, "hide")
                wait_until(lambda: not self.shown(s), "the panel hidden")

                # A second launch brings the first panel back, raised, and ends.
                mark = s.log.mark()
                second = s.command(display=True)
                self.assertEqual((second.returncode, second.stdout, second.stderr), (0, "", ""))
                # (Where: the window manager's choice, clear of the other window.)
                back = s.main_window()
                wait_until(lambda: self.stacking(s).index(back.id) > self.stacking(s).index(cover.id),
                           "the panel raised above the other window")
                # The second did not open the camera: no second panel ever ran.
                self.assertEqual(s.log.since(mark), [])
                self.assertEqual(len([w for w in s.windows() if w.size == panel.WINDOW_SIZE]), 1)
            finally:
                covering.terminate()
                covering.wait()

            self.run_ok(s, "on-top", "on")
            self.wait_for_face(s, "top", on_top, "the on-top face again")

            # The panel quits: its name goes with it.
            s.click("close")
            self.assertEqual(s.wait_for_exit(), 0)
            done = s.command("call", 1)
            self.assertEqual((done.returncode, done.stderr), (1, "ptzdeck: no panel is running\n"))


class Refused(Remote):
    def test_bad_input_is_refused_naming_the_argument_and_sends_nothing(self):
        with self.session() as s:
            window = s.wait_for_camera_ready()
            mark = s.log.mark()
            for method, arguments, argument in [
                ("RecallPreset", ["int32:10"], "preset"),
                ("StorePreset", ["int32:-1"], "preset"),
                ("ClearPreset", ["int32:10"], "preset"),
                ("Move", ["string:left", "int32:-1", "int32:0"], "panSpeed"),
                ("Move", ["string:up", "int32:0", "int32:15"], "tiltSpeed"),
                ("Move", ["string:sideways", "int32:5", "int32:5"], "direction"),
                ("MoveFor", ["string:left", "int32:22", "int32:0", "double:1"], "panSpeed"),
                ("MoveFor", ["string:left", "int32:5", "int32:0", "double:0"], "seconds"),
                ("MoveFor", ["string:left", "int32:5", "int32:0", "double:3601"], "seconds"),
                ("ChooseCamera", ["int32:6"], "camera"),
                ("ChooseCamera", ["int32:0"], "camera"),
            ]:
                with self.subTest(method=method, arguments=arguments):
                    done = s.bus_call(method, *arguments)
                    self.assertNotEqual(done.returncode, 0)
                    self.assertIn(f"Error org.freedesktop.DBus.Error.InvalidArgs: {argument} ", done.stderr)

            # The command line checks its words itself: usage on stderr.
            for words in [("call", 10), ("call",), ("store", -1), ("clear", "x"), ("camera", 6), ("camera", 0),
                          ("move",), ("move", "sideways"), ("move", "left", -1), ("move", "up", 15),
                          ("move", "left", 22), ("move", "up-left", 21), ("move", "left", "3,4"),
                          ("move", "left", "--for"), ("move", "left", "--for", 0), ("move", "left", "--for", "x"),
                          ("move", "left", "--for", 3601), ("move", "left", 1, 2), ("zoom",), ("zoom", "up"),
                          ("focus", "close"), ("mute",), ("mute", "maybe"), ("stop", "now"),
                          ("status", "--xml"), ("frobnicate",)]:
                with self.subTest(words=words):
                    done = s.command(*words)
                    self.assertEqual((done.returncode, done.stdout), (2, ""))
                    self.assertTrue(done.stderr.startswith("ptzdeck: "), done.stderr)
                    self.assertIn("\nUsage: ptzdeck", done.stderr)

            # Nothing reached a camera, no warning came up, the faces stayed.
            self.assertEqual(s.fence(mark), [])
            self.assertEqual(s.dialogs(), [])
            self.assertEqual(s.chosen_tabs(s.screenshot(), window), [1])

            done = s.command("--help")
            self.assertEqual((done.returncode, done.stderr), (0, ""))
            for word in ("call N", "store N", "clear N", "camera N", "move DIRECTION", "--for SECONDS", "stop",
                         "zoom in|out|stop", "focus near|far|stop", "home", "af on|off", "framing on|off",
                         "mute on|off", "mirror on|off", "flip on|off", "show", "hide", "toggle",
                         "status [--json]"):
                self.assertIn(word, done.stdout)

    def test_no_camera_open_nothing_sent_and_no_face_turns(self):
        with self.session(cameras=()) as s:
            s.wait_for_no_camera_face()
            s.wait_for_dialog()  # the no-device warning
            before = {control: self.face(s, control) for control in ("af", "ai", "mute")}
            mark = s.log.mark()
            for words in [("call", 1), ("store", 1), ("clear", 1), ("move", "left"), ("move", "up", "--for", 1),
                          ("stop",), ("zoom", "in"), ("focus", "near"), ("home",), ("af", "off"),
                          ("framing", "off"), ("mute", "on"), ("mirror", "on"), ("flip", "on"), ("camera", 1)]:
                with self.subTest(words=words):
                    done = s.command(*words)
                    self.assertEqual((done.returncode, done.stdout, done.stderr), (3, "", NO_CAMERA))
            done = s.bus_call("SetMute", "boolean:true")
            self.assertIn("Error io.github.ptzdeck.Panel.Error.NoCamera:", done.stderr)
            self.assertEqual(s.log.since(mark), [])
            for control, face in before.items():
                self.assertEqual(self.face(s, control), face, control)
            state = self.status(s)
            self.assertEqual((state["cameras"], state["chosen"], state["open"]), ([], None, False))

            # Without a session bus, or with none answering, a command says so.
            s.bus_address = None
            done = s.command("call", 1)
            self.assertEqual(done.returncode, 1)
            self.assertTrue(done.stderr.startswith("ptzdeck: no panel is running"), done.stderr)
            self.assertEqual(done.stderr.count("\n"), 1, done.stderr)
