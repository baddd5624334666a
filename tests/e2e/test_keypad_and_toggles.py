# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The keypad's presets and the function buttons with the faces they show."""

import json
import os

import panel
from camera_requests import (FocusAuto, FocusFar, FocusManual, FocusStop, FocusTo, FramingAuto,
                             FramingManual, MuteOff, MuteOn, PanTo, PresetCall, PresetClear, PresetSet,
                             TiltTo, ZoomTo)
from session import Scenario
from test_motion import HANDLE_REST_Y
from waiting import wait_until


class Keypad(Scenario):
    def test_store_recall_and_clear_presets(self):
        with self.session() as s:
            s.wait_for_camera_ready()
            mark = s.log.mark()
            s.click("set")
            s.click("3")      # stores preset 3 ...
            s.click("3")      # ... and the next digit recalls it
            s.click("clear")
            s.click("0")      # clears preset 0
            s.click("set")
            s.click("clear")
            s.click("7")      # the later mode button wins: clears 7
            s.click("set")
            s.display.key("4")  # a digit key always recalls, store mode stays
            s.click("4")        # so the button then stores
            self.assertSent(s.fence(mark), [PresetSet(3), PresetCall(3), PresetClear(0),
                                            PresetClear(7), PresetCall(4), PresetSet(4)])


class Toggles(Scenario):
    def wait_for_face(self, s, control, face, what):
        rect = s.at(control)
        wait_until(lambda: s.screenshot().region(rect) == face, what)

    def wait_for_new_face(self, s, control, old, what):
        rect = s.at(control)

        def changed():
            shot = s.screenshot()
            return shot.region(rect) if shot.region(rect) != old else None
        return wait_until(changed, what)

    def focus_handle(self, s):
        window = s.main_window()
        return (panel.centre(s.at("focus", window))[0], window.y + HANDLE_REST_Y)

    def test_framing_focus_and_mute(self):
        with self.session() as s:
            window = s.wait_for_camera_ready()
            start = s.screenshot()
            framing_face = start.region(s.at("ai", window))
            af_face = start.region(s.at("af", window))

            # Framing: Manual, then back to Framing.
            mark = s.log.mark()
            s.click("ai")
            s.log.wait_for(FramingManual, mark)
            manual_face = self.wait_for_new_face(s, "ai", framing_face, "the Manual face")
            s.click("ai")
            s.log.wait_for(FramingAuto, mark)
            self.wait_for_face(s, "ai", framing_face, "the Framing face again")
            self.assertSent(s.fence(mark), [FramingManual, FramingAuto])

            # The framing keys show the same faces.
            mark = s.log.mark()
            s.display.key("m")
            self.wait_for_face(s, "ai", manual_face, "the Manual face after key M")
            s.display.key("f")
            self.wait_for_face(s, "ai", framing_face, "the Framing face after key F")
            self.assertSent(s.fence(mark), [FramingManual, FramingAuto])

            # Auto focus keeps the focus slider still (a drag on it drags the
            # window, as on any part of the panel that takes no input);
            # manual focus frees it.
            mark = s.log.mark()
            handle = self.focus_handle(s)
            s.display.drag(handle, (handle[0], handle[1] - 20))
            self.assertSent(s.fence(mark), [])

            mark = s.log.mark()
            s.click("af")
            s.log.wait_for(FocusManual, mark)
            self.wait_for_new_face(s, "af", af_face, "the MF face")
            self.assertSent(s.fence(mark), [FocusManual])
            drag = s.log.mark()
            handle = self.focus_handle(s)
            s.display.move_pointer(*handle)
            s.display.press_button()
            s.display.move_along(handle, (handle[0], handle[1] - 20), 10)
            s.log.wait_for(FocusFar, drag, what="FocusFar while the focus handle is dragged up")
            dragged = s.log.commands_since(drag)
            self.assertSent(dragged, [FocusFar] * len(dragged))
            release = s.log.mark()
            s.display.release_button()
            s.log.wait_for(FocusStop, release, count=2)
            # The panel may still have been working through the drag's last
            # motions when the list above was taken: the whole drag is far
            # moves, then the release's two stops.
            sent = [r for r in s.fence(drag) if r.is_command]
            self.assertSent(sent, [FocusFar] * (len(sent) - 2) + [FocusStop, FocusStop])

            mark = s.log.mark()
            s.click("af")
            s.log.wait_for(FocusAuto, mark)
            self.wait_for_face(s, "af", af_face, "the AF face again")
            self.assertSent(s.fence(mark), [FocusAuto])

            # Mute: the red face while muted, the green one while not.
            mark = s.log.mark()
            s.click("mute")
            s.log.wait_for(MuteOn, mark)
            wait_until(lambda: s.mute_face(s.screenshot(), s.main_window()) == "muted",
                       "the muted face")
            s.click("mute")
            s.log.wait_for(MuteOff, mark)
            wait_until(lambda: s.mute_face(s.screenshot(), s.main_window()) == "unmuted",
                       "the unmuted face")
            self.assertSent(s.fence(mark), [MuteOn, MuteOff])


# Another make's camera that pans, tilts, zooms and focuses by absolute
# controls alone, pointing at pan 25, tilt -10, zoom 300, focus 128.
GENERIC_LINES = (
    r"path=\\?\usb#vid_1209&pid_2222&mi_00#1-4:1.0#video0",
    "serial=DESK-1",
    "ptz-controls=pan-tilt-absolute,zoom-absolute,focus-absolute,focus-auto",
    "camera-control.0=-170,170,1,0,25",
    "camera-control.1=-30,90,1,0,-10",
    "camera-control.3=100,500,1,100,300",
)
# The top of the panel's notice, and its border's colour.
NOTICE_TOP = (12, 46, 302, 6)
NOTICE_BORDER = (232, 163, 58)


class GenericCameraPresets(Scenario):
    """Such a camera keeps no presets: the panel keeps them, in a file."""

    def wait_for_tab_one(self, s):
        window = s.main_window()
        wait_until(lambda: s.chosen_tabs(s.screenshot(), window) == [1], "tab 1 to turn green")
        return window

    def home(self, s, since):
        """HOME sends the camera to absolute 0/0; what came before it is
        in the log once that has."""
        s.click("home")
        return s.log.wait_for(TiltTo(0), since, what="HOME to reach the camera")

    def recalled(self, s, click):
        mark = s.log.mark()
        click()
        s.log.wait_for(FocusTo(128), mark, what="the preset's focus to reach the camera")
        self.assertSent(s.log.commands_since(mark), [PanTo(25), TiltTo(-10), ZoomTo(300), FocusTo(128)],
                        camera="desk")

    def test_store_recall_restart_and_a_damaged_file(self):
        with self.session(cameras=("desk",), camera_lines={"desk": GENERIC_LINES}) as s:
            self.wait_for_tab_one(s)
            presets = s.config_path("ptzdeck", "presets.json")

            # Set, 3: where the camera points is kept, and nothing is sent.
            mark = s.log.mark()
            s.click("set")
            s.click("3")
            wait_until(lambda: os.path.exists(presets), "the presets file")
            with open(presets, encoding="utf-8") as kept:
                cameras = json.load(kept)["cameras"]
            self.assertEqual(cameras["1209:2222 serial DESK-1"]["presets"]["3"],
                             {"pan": 25, "tilt": -10, "zoom": 300, "focus": 128})
            self.assertSent(self.home(s, mark), [PanTo(0), TiltTo(0)], camera="desk")

            # 3 brings it back, after a restart too.
            self.recalled(s, lambda: s.click("3"))
            s.restart()
            self.wait_for_tab_one(s)
            self.recalled(s, lambda: s.click("3"))

            # A damaged file is told, on the panel and in the program's
            # output, and left as it is: nothing is stored in it.
            broken = '{"format": "ptzdeck presets 1", "cameras": {'
            with open(presets, "w", encoding="utf-8") as damage:
                damage.write(broken)
            mark = s.log.mark()
            s.click("set")
            s.click("5")
            wait_until(lambda: s.screenshot().count_near(s.at_rect(NOTICE_TOP), NOTICE_BORDER) >= 100,
                       "the notice on the panel")
            with open(os.path.join(s.work, "ptzdeck.log"), encoding="utf-8", errors="replace") as output:
                self.assertIn(f"The presets file {presets} is damaged", output.read())
            with open(presets, encoding="utf-8") as left:
                self.assertEqual(left.read(), broken)
            self.assertSent(self.home(s, mark), [PanTo(0), TiltTo(0)], camera="desk")
