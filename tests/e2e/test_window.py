# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The frameless window: dragged by hand, docked against the left edge."""

import panel
from session import Scenario
from waiting import wait_until


class Docking(Scenario):
    def wait_for_position(self, s, position, what):
        return wait_until(lambda: s.main_window().position == position and s.main_window(),
                          f"the window at {position}: {what}")

    def test_left_edge(self):
        with self.session(cameras=("cam1",)) as s:
            window = s.wait_for_camera_ready()
            grab_x, grab_y = panel.centre(panel.CONTROLS["background"])

            # Dragged by its background into the screen, it follows the hand.
            start = (window.x + grab_x, window.y + grab_y)
            s.display.drag(start, (start[0] + 400, start[1] + 150), steps=10)
            window = self.wait_for_position(s, (window.x + 400, window.y + 150), "after the drag")

            # Dragged over the left edge (the pointer stops at x 0).
            start = (window.x + grab_x, window.y + grab_y)
            s.display.drag(start, (3, start[1]), steps=10)
            y = window.y
            self.wait_for_position(s, (3 - grab_x, y), "partly beyond the left edge")

            # The pointer leaves: the window slides away but for the face's
            # last pixels; it comes back when the pointer touches them.
            s.display.move_pointer(800, 600)
            self.wait_for_position(s, (-317, y), "docked, the settings pane hidden")
            s.display.move_pointer(4, y + 200)
            self.wait_for_position(s, (-10, y), "back from the edge")

            # With the settings pane shown the visible window is wider: it
            # leaves 10 pixels of the pane.
            s.click("setting")
            wait_until(lambda: s.screenshot().count_near(s.at_rect(panel.PANE), (0, 0, 0), 8)
                       < panel.PANE[2] * panel.PANE[3] // 2,
                       "the settings pane to be shown")
            s.display.move_pointer(800, 600)
            self.wait_for_position(s, (10 - panel.WINDOW_SIZE[0], y), "docked with the pane shown")
            s.display.move_pointer(4, y + 200)
            self.wait_for_position(s, (-10, y), "back from the edge with the pane shown")


class Tray(Scenario):
    def test_minimise_to_the_tray_and_back(self):
        # The notification area needs a desktop that has one: Fluxbox's toolbar.
        with self.session(cameras=("cam1",), window_manager=True) as s:
            self.minimise_to_the_xembed_tray_and_back(s)
