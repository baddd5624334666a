# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Choosing cameras with the tabs, and plugging and unplugging them."""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading

import panel
from camera_requests import (FlipOn, MirrorOff, MirrorOn, PanRight, PanStop, PresetCall, PresetSet, ZoomIn, ZoomOut,
                             ZoomStop)
from session import SOURCE_DIR, Scenario
from waiting import wait_until

SIMCAM = os.path.join(SOURCE_DIR, "..", "..", "scripts", "simcam")


def only_reads_of(requests, camera):
    return all(r.camera == camera and not r.is_command for r in requests)


class CameraTabs(Scenario):
    def test_camera_2_then_camera_4_of_two(self):
        with self.session(cameras=("cam1", "cam2")) as s:
            window = s.wait_for_camera_ready(tab=1)

            # Camera 2: opened and read, its tab green.
            mark = s.log.mark()
            s.click("cam2")
            s.log.wait_for_reads("cam2", mark)
            s.wait_for_camera_ready(tab=2)
            self.assertTrue(only_reads_of(s.log.since(mark), "cam2"), s.log.since(mark))

            # Camera 4 of two: a warning where the window is, nothing sent,
            # the tabs as they were, and camera 2 still the one commanded.
            mark = s.log.mark()
            s.click("cam4")
            dialog = s.wait_for_dialog()
            self.assertEqual(dialog.position, (window.x + panel.DIALOG_OFFSET[0],
                                               window.y + panel.DIALOG_OFFSET[1]))
            wait_until(lambda: s.dialog_kind(s.screenshot(), dialog) == "no-camera",
                       "the no-camera warning's face (one OK)")
            shot = s.screenshot()
            self.assertEqual(s.chosen_tabs(shot, window), [2])
            self.assertEqual(s.fence(mark), [])
            self.assertEqual(s.log.since(mark)[-1].camera, "cam2")

            s.click_in(dialog, panel.NO_CAMERA_OK)
            s.wait_for_no_dialog()


    def test_one_warning_however_often_and_the_window_managers_close(self):
        # Empty tabs clicked again and again: one warning. Then the window
        # manager closes the panel with the warning still up: the program ends.
        with self.session(cameras=("cam1",), window_manager=True) as s:
            s.wait_for_camera_ready(tab=1)
            mark = s.log.mark()
            for tab in ("cam3", "cam3", "cam5", "cam2", "cam4"):
                s.click(tab)
            dialog = s.wait_for_dialog()
            self.assertEqual(s.fence(mark), [])
            self.assertEqual([d.id for d in s.dialogs()], [dialog.id])
            s.click("background")
            s.display.key("alt+F4")
            self.assertEqual(s.wait_for_exit(), 0)


class HotPlug(Scenario):
    def simcam(self, s, *args):
        subprocess.run([sys.executable, SIMCAM, "--bus", s.bus, *args], check=True,
                       stdout=subprocess.DEVNULL, timeout=60)

    def test_plug_a_third_camera_then_unplug_all(self):
        with self.session(cameras=("cam1", "cam2")) as s:
            window = s.wait_for_camera_ready(tab=1)
            s.click("cam2")
            s.wait_for_camera_ready(tab=2)

            # A third camera: half a second later camera 1 is opened again.
            mark = s.log.mark()
            self.simcam(s, "plug", "cam3")
            s.log.wait_for_reads("cam1", mark, what="camera 1 to be opened again after plugging")
            s.wait_for_camera_ready(tab=1)
            mark = s.log.mark()
            s.click("cam3")
            s.log.wait_for_reads("cam3", mark)
            s.wait_for_camera_ready(tab=3)
            s.fence(mark)
            self.assertEqual(s.log.since(mark)[-1].camera, "cam3")

            # Another make's webcam is not offered: still three cameras.
            mark = s.log.mark()
            self.simcam(s, "plug", "desk", "--model", "webcam")
            s.log.wait_for_reads("cam1", mark, what="a new look at the bus after plugging the webcam")
            s.wait_for_camera_ready(tab=1)
            s.click("cam4")
            dialog = s.wait_for_dialog()
            wait_until(lambda: s.dialog_kind(s.screenshot(), dialog) == "no-camera",
                       "the no-camera warning for tab 4")
            s.click_in(dialog, panel.NO_CAMERA_OK)
            s.wait_for_no_dialog()

            # Everything unplugged: the no-device warning and the no-camera face.
            self.simcam(s, "unplug", "--all")
            dialog = s.wait_for_dialog()
            wait_until(lambda: s.dialog_kind(s.screenshot(), dialog) == "no-device",
                       "the no-device warning")
            s.wait_for_no_camera_face()

            # Nothing to command: the keypad, keys and mute reach no camera,
            # and a face turns only for a command a camera took, so mute
            # keeps the muted face. The on-top face turns without a camera,
            # which shows that the clicks before it were handled.
            mark = s.log.mark()
            s.click("7")  # (keys to the right of it lie under the warning)
            s.click("home")
            s.click("background")
            s.display.key("Right")
            s.click("mute")
            on_top = s.screenshot().region(s.at("top", window))
            s.click("top")
            wait_until(lambda: s.screenshot().region(s.at("top", window)) != on_top,
                       "the on-top face to turn with no camera")
            self.assertEqual(s.mute_face(s.screenshot(), window), "muted")
            s.click("top")

            # A camera plugged in again: the warning goes, the camera opens.
            self.simcam(s, "plug", "cam9")
            s.log.wait_for_reads("cam9", mark)
            s.wait_for_no_dialog()
            s.wait_for_camera_ready(tab=1)
            self.assertTrue(only_reads_of(s.log.since(mark), "cam9"), s.log.since(mark))
            s.fence(mark)
            self.assertEqual(s.log.since(mark)[-1].camera, "cam9")
            self.assertEqual([r.camera for r in s.log.all() if r.camera == "desk"], [])


class NetworkCameras(Scenario):
    """A simulated network camera beside a USB one: added with the command
    line, driven from its tab, then silent and back."""

    def simcam(self, s, *args):
        return subprocess.run([sys.executable, SIMCAM, "--bus", s.bus, *args], check=True,
                              capture_output=True, text=True, timeout=60).stdout

    def sent_to(self, requests, camera):
        return [r for r in requests if r.camera == camera]

    def wait_for_tab(self, s, tab):
        """Tab `tab` alone green. (A network camera has no mute: its face is dimmed.)"""
        def chosen():
            window = s.main_window()
            return window if s.chosen_tabs(s.screenshot(), window) == [tab] else None
        return wait_until(chosen, f"tab {tab} to turn green")

    def test_a_network_camera_after_the_usb_one(self):
        with self.session(cameras=("cam1",), session_bus=True) as s:
            s.wait_for_camera_ready(tab=1)
            # Strict as some cameras are: a drive with speed 00 is refused.
            self.simcam(s, "plug", "lens", "--model", "visca", "--set", "reject-speed-00=1")
            try:
                self.drive_both(s)
            finally:
                self.simcam(s, "unplug", "lens")

    def drive_both(self, s):
        with open(os.path.join(s.bus, "lens.address"), encoding="utf-8") as text:
            address = text.read().strip()

        # Added while the panel runs: it follows cameras.conf, and offers
        # the camera on the tab after the USB camera's.
        mark = s.log.mark()
        added = s.command("camera", "add", address, "Lens")
        self.assertEqual(added.returncode, 0, added.stderr)
        self.assertEqual(s.command("camera", "list").stdout, f"1  {address}  Lens\n")
        s.log.wait_for_reads("cam1", mark, what="camera 1 opened again after cameras.conf changed")
        s.wait_for_camera_ready(tab=1)
        mark = s.log.mark()
        s.click("cam2")
        wait_until(lambda: len([r for r in self.sent_to(s.log.since(mark), "lens") if r.kind == "get"]) >= 5,
                   "the network camera opened and its settings read")
        window = self.wait_for_tab(s, 2)

        # The joystick, zoom keys, a preset stored and recalled, mirror
        # and flip: all of it to the network camera, none to camera 1.
        mark = s.log.mark()
        x, y = panel.centre(s.at("joystick", window))
        s.display.move_pointer(x, y)
        s.display.press_button()
        s.display.move_along((x, y), (x + 80, y), 8)
        s.log.wait_for(PanRight(21), mark, camera="lens")
        s.display.release_button()
        s.log.wait_for(PanStop, mark, camera="lens")
        s.click("background")
        for key in ("t", "w"):
            s.display.key(key)
        for control in ("set", "3", "3", "mirror", "flip"):
            s.click(control)
        requests = s.fence(mark)
        self.assertEqual(self.sent_to(requests, "cam1"), [])
        lens = [r for r in self.sent_to(requests, "lens") if r.is_command]
        moves = [r for r in lens if r.id in (10, 11)]
        self.assertTrue(moves and all(r.value in (0, 21) for r in moves), moves)
        self.assertSent([r for r in lens if r.id not in (10, 11)],
                        [ZoomIn, ZoomStop, ZoomOut, ZoomStop, PresetSet(3), PresetCall(3), MirrorOn, FlipOn])

        # Back on camera 1: the same keys reach the USB camera alone.
        mark = s.log.mark()
        s.click("cam1")
        s.log.wait_for_reads("cam1", mark)
        s.wait_for_camera_ready(tab=1)
        mark = s.log.mark()
        s.click("3")
        requests = s.fence(mark)
        self.assertEqual(self.sent_to(requests, "lens"), [])
        self.assertSent(requests, [PresetCall(3)], camera="cam1")

        # Silent, the camera takes nothing and its tab goes dark; answering
        # again, its tab lights with no hand on the panel, and it is driven again.
        s.click("cam2")
        self.wait_for_tab(s, 2)
        self.simcam(s, "set", "lens", "silent=1")
        mark = s.log.mark()
        self.assertEqual(s.command("mirror", "off").returncode, 4, "refused: the camera did not answer")
        def dark():
            window = s.main_window()
            shot = s.screenshot()
            return not s.chosen_tabs(shot, window) and len(s.black_tabs(shot, window)) == 5
        wait_until(dark, "the silent camera's tab to go dark")
        self.simcam(s, "set", "lens", "silent=0")
        self.wait_for_tab(s, 2)
        self.assertSent(s.fence(mark), [])
        mark = s.log.mark()
        self.assertEqual(s.command("mirror", "off").returncode, 0)
        self.assertSent(s.fence(mark), [MirrorOff], camera="lens")

    def test_a_usb_camera_through_the_bridge(self):
        """Camera 1 served by ptzdeck-bridge, and driven from the panel as a
        network camera over raw VISCA on TCP."""
        with self.session(cameras=("cam1",)) as s:
            s.wait_for_camera_ready(tab=1)
            with socket.socket() as probe:
                probe.bind(("127.0.0.1", 0))
                port = probe.getsockname()[1]
            config = os.path.join(s.work, "bridge.conf")
            with open(config, "w") as out:
                out.write(f"sony-port = 0\nraw-udp-port = 0\ntcp-port = {port}\n")
            bridge = subprocess.Popen([os.environ["PTZDECK_BRIDGE"], "--config", config], text=True,
                                      env=dict(os.environ, LUMETRA_SIM_DIR=s.bus), stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL)
            said = []
            threading.Thread(target=lambda: said.extend(bridge.stdout), daemon=True).start()
            try:
                wait_until(lambda: any(f"TCP 127.0.0.1:{port}" in line for line in said), "the bridge serving")
                mark = s.log.mark()
                self.assertEqual(s.command("camera", "add", f"visca-tcp://127.0.0.1:{port}").returncode, 0)
                s.log.wait_for_reads("cam1", mark, what="camera 1 opened again after cameras.conf changed")
                s.wait_for_camera_ready(tab=1)
                s.click("cam2")
                self.wait_for_tab(s, 2)
                s.click("background")
                mark = s.log.mark()
                s.display.key("Left")
                for control in ("set", "3"):
                    s.click(control)
                sent = [r for r in s.fence(mark) if r.is_command and r.camera == "cam1"]
                pans = [r.value for r in sent if r.id == 10]
                self.assertTrue(pans and pans[0] < 0 and pans[-1] == 0, sent)
                self.assertTrue(PresetSet(3).matches(sent[-1]), sent)
            finally:
                bridge.terminate()
                bridge.wait(30)
                bridge.stdout.close()

    def test_discovery_in_a_network_namespace(self):
        """`ptzdeck camera discover` finds a simulated camera that answers
        Sony's discovery, in a network namespace of the test's own (the
        broadcast goes nowhere else)."""
        if not shutil.which("ip") or subprocess.run(["unshare", "-rn", "true"], capture_output=True).returncode:
            self.skipTest("no network namespace can be made here (unshare -rn, ip)")
        script = ('set -e; trap \'"$SIMCAM" unplug --all >/dev/null\' EXIT;'
                  " ip link set lo up; ip link add v0 type veth peer name v1;"
                  " ip addr add 10.9.0.1/24 brd + dev v0; ip link set v0 up; ip link set v1 up;"
                  ' "$SIMCAM" plug lens --model visca --set discovery=10.9.0.1 >/dev/null;'
                  ' "$PROGRAM" camera discover 1; "$SIMCAM" plug lens2 --model visca >/dev/null;'
                  ' "$SIMCAM" set lens silent=1; "$PROGRAM" camera discover 1')
        with tempfile.TemporaryDirectory() as bus:
            done = subprocess.run(["unshare", "-rn", "sh", "-c", script], capture_output=True, text=True, timeout=120,
                                  env=dict(os.environ, PROGRAM=os.environ["PTZDECK_PROGRAM"],
                                           SIMCAM=SIMCAM, LUMETRA_SIM_DIR=bus))
        self.assertEqual(done.returncode, 0, done.stderr)
        # Found while it answers; not once silent (and lens2 never answers discovery).
        self.assertEqual(done.stdout, "visca-udp://10.9.0.1  lens  (visca-simcam, 02:00:00:00:00:01)\n")
        self.assertIn("no camera answered", done.stderr)
