# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""What the panel tells a person who does not know its pictures yet: tool
tips."""

import time

import panel
from session import Scenario
from waiting import wait_until

ENGLISH = {"LANGUAGE": "en", "LC_ALL": "C.UTF-8"}


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
