# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The picture settings pane: shown, a slider dragged, Default, OK."""

import panel
from camera_requests import (SetBacklight, SetBrightness, SetContrast, SetGamma,
                             SetPowerLineFrequency, SetSaturation, SetSharpness, SetWhiteBalance,
                             SetWhiteBalanceMode)
from session import Scenario
from waiting import wait_until

# min, max, step, default, current of each picture property of the camera;
# every current value differs from its default.
PICTURE = {"brightness": (-64, 64, 1, 5, -20), "contrast": (0, 64, 1, 32, 40),
           "saturation": (0, 128, 1, 64, 70), "sharpness": (0, 6, 1, 3, 2),
           "gamma": (72, 500, 1, 100, 120), "white-balance": (2800, 6500, 10, 4600, 5000),
           "backlight": (0, 2, 1, 1, 0), "power-line": (0, 2, 1, 2, 1)}
PROC_AMP_IDS = {"brightness": 0, "contrast": 1, "saturation": 3, "sharpness": 4, "gamma": 5,
                "white-balance": 7, "backlight": 8, "power-line": 13}
CAMERA_LINES = [f"proc-amp.{PROC_AMP_IDS[name]}=" + ",".join(map(str, values))
                for name, values in PICTURE.items()]

# A horizontal picture slider's 24-pixel handle travels 149 - 24 pixels.
HANDLE_TRAVEL = 149 - 24


def handle_centre(slider, low, high, value):
    x, y, _, h = slider
    return (x + round((value - low) / (high - low) * HANDLE_TRAVEL) + 11, y + h // 2)


class SettingsPane(Scenario):
    def wait_for_pane(self, s, closed_shot, shown):
        pane = s.at_rect(panel.PANE)
        area = pane[2] * pane[3]

        def state():
            changed = s.screenshot().differing_pixels(pane, closed_shot)
            return changed > area // 2 if shown else changed == 0
        wait_until(state, "the settings pane to be " + ("shown" if shown else "hidden"))

    def test_show_drag_default_ok(self):
        with self.session(cameras=("cam1",), camera_lines={"cam1": CAMERA_LINES}) as s:
            window = s.wait_for_camera_ready()
            closed = s.screenshot()

            mark = s.log.mark()
            s.click("setting")
            self.wait_for_pane(s, closed, shown=True)
            self.assertEqual(s.fence(mark), [])
            value_field = s.at("value_brightness")
            value_before = s.screenshot().region(value_field)

            # Brightness dragged to the right: rising values, on release nothing more.
            low, high, _, _, current = PICTURE["brightness"]
            start = handle_centre(s.at("slider_brightness", window), low, high, current)
            mark = s.log.mark()
            s.display.move_pointer(*start)
            s.display.press_button()
            s.display.move_along(start, (start[0] + 30, start[1]), 10)
            s.log.wait_for(SetBrightness(), mark, what="SetBrightness while its slider is dragged")
            s.display.release_button()
            dragged = s.fence(mark)
            self.assertSent(dragged, [SetBrightness()] * len(dragged))
            values = [r.value for r in dragged]
            self.assertEqual(values, sorted(set(values)), "values rise one by one")
            self.assertGreater(values[0], current)
            self.assertLessEqual(values[-1], high)
            wait_until(lambda: s.screenshot().region(value_field) != value_before,
                       "the brightness value field to follow the slider")
            value_dragged = s.screenshot().region(value_field)

            # Default puts back the camera's defaults: the anti-flicker choice
            # changes first (the combo reports it), then every setting in turn.
            mark = s.log.mark()
            s.click("default")
            s.log.wait_for(SetWhiteBalanceMode(0), mark)
            self.assertSent(s.fence(mark), [
                SetPowerLineFrequency(2), SetWhiteBalance(4600), SetBacklight(1), SetGamma(100),
                SetContrast(32), SetSaturation(64), SetBrightness(5), SetSharpness(3),
                SetPowerLineFrequency(2), SetWhiteBalanceMode(0)])
            shot = s.screenshot()
            self.assertNotEqual(shot.region(value_field), value_dragged)
            self.assertNotEqual(shot.region(value_field), value_before)

            # OK hides the pane and sends nothing.
            mark = s.log.mark()
            s.click("ok")
            self.wait_for_pane(s, closed, shown=False)
            self.assertEqual(s.fence(mark), [])

            # The settings button shows and hides it again.
            s.click("setting")
            self.wait_for_pane(s, closed, shown=True)
            s.click("setting")
            self.wait_for_pane(s, closed, shown=False)
