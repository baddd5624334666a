# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Choosing cameras with the tabs, and plugging and unplugging them."""

import os
import subprocess
import sys

import panel
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
