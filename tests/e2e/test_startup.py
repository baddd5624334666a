# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Starting the panel with and without cameras, and ending it."""

import panel
from session import Scenario
from waiting import wait_until


class StartUp(Scenario):
    def test_two_cameras_open_the_first(self):
        with self.session(cameras=("cam1", "cam2")) as s:
            window = s.main_window()
            self.assertEqual(window.size, panel.WINDOW_SIZE)
            s.wait_for_camera_ready(tab=1)
            self.assertEqual(s.dialogs(), [], "no warning with cameras plugged in")

            # Opening camera 1 reads its settings and commands nothing;
            # camera 2 is not touched.
            requests = s.log.all()
            self.assertTrue(requests, "camera 1 was not opened")
            self.assertEqual({r.camera for r in requests}, {"cam1"})
            self.assertNothingSent(requests)

            # What the panel commands now reaches camera 1.
            mark = s.log.mark()
            self.assertEqual(s.fence(mark), [])
            self.assertEqual(s.log.since(mark)[-1].camera, "cam1")

    def test_no_camera_warns_and_quit_ends_with_0(self):
        with self.session(cameras=()) as s:
            window = s.main_window()
            dialog = s.wait_for_dialog()
            self.assertEqual(dialog.position, (window.x + panel.DIALOG_OFFSET[0],
                                               window.y + panel.DIALOG_OFFSET[1]))
            s.wait_for_no_camera_face()
            wait_until(lambda: s.dialog_kind(s.screenshot(), dialog) == "no-device",
                       "the no-device warning's face (Quit and OK)")

            # With no camera the keypad, the keys and the joystick reach nothing.
            s.click("4")
            s.click("home")
            s.click("background")
            s.display.key("Left")
            s.display.key("3")
            s.display.drag(panel.centre(s.at("joystick")), (window.x + 180, window.y + 110))

            s.click_in(dialog, panel.NO_DEVICE_QUIT)
            self.assertEqual(s.wait_for_exit(), 0)
            # Everything above was handled before Quit: nothing was ever sent.
            self.assertEqual(s.log.all(), [])

    def test_close_button_ends_with_0(self):
        with self.session(cameras=("cam1",)) as s:
            s.wait_for_camera_ready(tab=1)
            mark = s.log.mark()
            s.click("close")
            self.assertEqual(s.wait_for_exit(), 0)
            # The camera is left as it is: closing sends it nothing.
            self.assertEqual(s.log.since(mark), [])

