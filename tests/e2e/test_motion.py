# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Moving the camera: the joystick, the zoom slider and the arrow keys."""

import panel
from camera_requests import (CAMERA_CONTROL, MirrorOn, PanLeft, PanRight, PanStop, PresetCall, TiltDown,
                             TiltStop, TiltUp, ZoomIn, ZoomOut, ZoomStop)
from display import Display
from session import Scenario
from waiting import wait_until

# A zoom or focus handle at rest (value 45 of 0..99): 99 - 45 steps from the
# top of a 120-pixel groove, of which the 15-pixel handle travels 105.
HANDLE_REST_Y = 50 + round((99 - 45) / 99 * 105) + 15 // 2


def is_zero_move(request):
    """A pan or tilt request of speed 0: a stop, however it was meant."""
    return request.set == CAMERA_CONTROL and request.id in (10, 11) and request.value == 0


class Motion(Scenario):
    def hold_until(self, s, point, op, since, tremble):
        """Keeps the pressed pointer at `point`, trembling by a pixel along
        `tremble` as a resting hand does, until `op` reaches the camera."""
        flip = [0]

        def arrived():
            flip[0] ^= 1
            s.display.move_pointer(point[0] + tremble[0] * flip[0], point[1] + tremble[1] * flip[0])
            return any(op.matches(r) for r in s.log.since(since))
        wait_until(arrived, f"{op} while the joystick is held", interval=0.1)

    def assertReachedOnly(self, commands, final):
        """Stops and zero-speed moves may come first (the joystick's place and
        speed reports arrive a few milliseconds apart); then `final`, last."""
        self.assertTrue(commands and final.matches(commands[-1]) and
                        all(is_zero_move(r) for r in commands[:-1]),
                        f"expected only zero moves, then {final}; the camera received:\n  "
                        + "\n  ".join(map(str, commands)))

    def release_and_expect_stops(self, s, since, final):
        """Releases the joystick: what was sent since `since` must be zero
        moves, then `final` (while held), then the four stops (on release)."""
        held = s.log.commands_since(since)
        self.assertReachedOnly(held, final)
        release = s.log.mark()
        s.display.release_button()
        s.log.wait_for(PanStop, release, count=2, what="the release to stop the camera")
        sent = [r for r in s.fence(since) if r.is_command]
        self.assertSent(sent[len(held):], [TiltStop, TiltStop, PanStop, PanStop])

    def test_joystick_right_rim_then_up(self):
        with self.session() as s:
            window = s.wait_for_camera_ready()
            x, y = panel.centre(s.at("joystick", window))

            # Straight to the right rim: full pan speed to the right.
            mark = s.log.mark()
            s.display.move_pointer(x, y)
            s.display.press_button()
            s.display.move_along((x, y), (x + 80, y), 8)
            self.hold_until(s, (x + 80, y), PanRight(21), mark, tremble=(0, 1))
            self.release_and_expect_stops(s, mark, PanRight(21))

            # Then straight up: the speeds of the last drag are carried into
            # the first report and corrected at once.
            mark = s.log.mark()
            s.display.move_pointer(x, y)
            s.display.press_button()
            s.display.move_along((x, y), (x, y - 80), 8)
            self.hold_until(s, (x, y - 80), TiltUp(14), mark, tremble=(1, 0))
            self.release_and_expect_stops(s, mark, TiltUp(14))

    # Screens people run (dpi, the user's QT_SCALE_FACTOR) and the scale Qt
    # draws at there: it rounds dpi / 96 to a whole factor. Xvfb keeps the
    # screen's size in whole millimetres, so 144 dpi comes back as 143.9 and
    # stays at 1, with fonts and the old joystick arithmetic at 1.5.
    SCREENS = [(96, None, 1), (100, None, 1), (120, None, 1), (144, None, 1), (192, None, 2),
               (96, 2, 2)]
    # The eight rim directions (screen x right, y down) and what the camera
    # gets there: full speed straight (pan 7 x 3, tilt 7 x 2), 5 and 5 on
    # the diagonals.
    RIM = [((1, 0), [PanRight(21)]), ((-1, 0), [PanLeft(21)]), ((0, -1), [TiltUp(14)]),
           ((0, 1), [TiltDown(14)]), ((1, -1), [PanRight(15), TiltUp(10)]),
           ((-1, -1), [PanLeft(15), TiltUp(10)]), ((1, 1), [PanRight(15), TiltDown(10)]),
           ((-1, 1), [PanLeft(15), TiltDown(10)])]

    def test_joystick_rim_at_every_scale(self):
        for dpi, scale_factor, scale in self.SCREENS:
            with self.subTest(dpi=dpi, scale_factor=scale_factor):
                # Room for the panel at twice its size.
                size = (1280 * scale, 800 * scale)
                with self.session(display=lambda work: Display(work, dpi=dpi, size=size),
                                  scale_factor=scale_factor) as s:
                    window = s.wait_for_camera_ready()
                    self.assertEqual(s.scale, scale, "the panel is drawn at the screen's scale")
                    x, y = panel.centre(s.at("joystick", window))
                    for (dx, dy), ops in self.RIM:
                        # Well past the rim, where the knob rides on its circle.
                        reach = 80 * s.scale / (2 ** 0.5 if dx and dy else 1)
                        point = (round(x + dx * reach), round(y + dy * reach))
                        mark = s.log.mark()
                        s.display.move_pointer(x, y)
                        s.display.press_button()
                        s.display.move_along((x, y), point, 8)
                        for op in ops:
                            self.hold_until(s, point, op, mark, tremble=(dy != 0, dx != 0))
                        # The hand passes other cells on its way out; where it
                        # rests, each axis's last request is the rim's (a
                        # straight move leaves the other axis stopped).
                        held = s.log.commands_since(mark)
                        for axis, name in ((10, "pan"), (11, "tilt")):
                            last = next((r for r in reversed(held) if r.id == axis), None)
                            want = next((op for op in ops if op.id == axis), None)
                            ok = (want.matches(last) if want else last is None or is_zero_move(last))
                            self.assertTrue(ok, f"towards {(dx, dy)} the last {name} request should be "
                                            f"{want or 'a stop'}; the camera received:\n  "
                                            + "\n  ".join(map(str, held)))
                        release = s.log.mark()
                        s.display.release_button()
                        s.log.wait_for(PanStop, release, count=2, what="the release to stop the camera")

    def test_joystick_press_and_release_in_the_centre_sends_nothing(self):
        with self.session() as s:
            window = s.wait_for_camera_ready()
            x, y = panel.centre(s.at("joystick", window))
            mark = s.log.mark()
            s.display.move_pointer(x, y)
            s.display.press_button()
            s.display.move_along((x, y), (x + 20, y - 20), 4)  # inside the knob's travel
            s.display.release_button()
            self.assertEqual(s.fence(mark), [])

    def drag_zoom(self, s, window, dy):
        """Drags the zoom handle by dy pixels and releases it; returns the
        commands sent while dragging and after the release."""
        zoom = s.at("zoom", window)
        x, y = zoom[0] + zoom[2] // 2, window.y + HANDLE_REST_Y
        before = s.screenshot()
        mark = s.log.mark()
        s.display.move_pointer(x, y)
        s.display.press_button()
        s.display.move_along((x, y), (x, y + dy), 10)
        moving = ZoomIn if dy < 0 else ZoomOut
        s.log.wait_for(moving, mark, what=f"{moving} while the zoom handle is dragged")
        wait_until(lambda: s.screenshot().differing_pixels(zoom, before) > 20,
                   "the zoom handle to follow the pointer")
        dragged = s.log.commands_since(mark)

        release = s.log.mark()
        s.display.release_button()
        s.log.wait_for(ZoomStop, release, count=2, what="the release to stop the zoom")
        released = [r for r in s.fence(mark) if r.is_command][len(dragged):]
        # Springs back: the handle is drawn where it was before the drag.
        wait_until(lambda: s.screenshot().differing_pixels(zoom, before) == 0,
                   "the zoom handle to spring back to its rest")
        return dragged, released

    def test_zoom_drag_up_and_down(self):
        with self.session() as s:
            window = s.wait_for_camera_ready()

            dragged, released = self.drag_zoom(s, window, -20)
            self.assertSent(dragged, [ZoomIn] * len(dragged))
            self.assertSent(released, [ZoomStop, ZoomStop])

            dragged, released = self.drag_zoom(s, window, +20)
            self.assertSent(dragged, [ZoomOut] * len(dragged))
            self.assertSent(released, [ZoomStop, ZoomStop])

    def test_arrow_keys_held_and_released(self):
        # Auto-repeat off: a held key is one press and one release, so what
        # holding sends is exact. (With auto-repeat on, X delivers each repeat
        # as a release and a press, and Qt tells them from a real release
        # only by a look-ahead that can miss.)
        with self.session(key_repeat=False) as s:
            s.wait_for_camera_ready()
            s.click("background")  # the panel takes the keyboard

            # Left held, Up pressed and released meanwhile: the release of Up
            # stops only the tilt; the pan goes on until Left is released.
            mark = s.log.mark()
            s.display.key_down("Left")
            s.log.wait_for(PanLeft(21), mark)
            s.display.key_down("Up")
            s.log.wait_for(TiltUp(14), mark)
            s.display.key_up("Up")
            s.log.wait_for(TiltStop, mark)
            self.assertSent(s.log.since(mark), [PanLeft(21), TiltUp(14), TiltStop])
            s.display.key_up("Left")
            s.log.wait_for(PanStop, mark)
            self.assertSent(s.fence(mark), [PanLeft(21), TiltUp(14), TiltStop, PanStop])

            # Right and Down likewise; T and W zoom while held. (The HOME
            # click above took the keyboard: a focused button would take the
            # arrows for itself.)
            s.click("background")
            mark = s.log.mark()
            for key in ("Right", "Down", "t", "w"):
                s.display.key(key)
            self.assertSent(s.fence(mark), [PanRight(21), PanStop, TiltDown(14), TiltStop,
                                            ZoomIn, ZoomStop, ZoomOut, ZoomStop])

    def test_keys_move_the_camera_whatever_was_clicked(self):
        # No control keeps the keyboard: after a keypad key, a toggle, the
        # settings button or a tab, the arrows still move the camera, and
        # Space does not press the last key again.
        with self.session(key_repeat=False) as s:
            s.wait_for_camera_ready()
            mark = s.log.mark()
            s.click("3")
            s.log.wait_for(PresetCall(3), mark)
            s.display.key("space")
            s.display.key("Left")
            s.click("mirror")
            s.display.key("Up")
            s.click("setting")
            s.display.key("Right")
            s.click("cam1")
            s.display.key("Down")
            self.assertSent(s.fence(mark), [PresetCall(3), PanLeft(21), PanStop, MirrorOn, TiltUp(14), TiltStop,
                                            PanRight(21), PanStop, TiltDown(14), TiltStop])

    def test_a_held_move_ends_when_the_window_goes(self):
        # The window manager minimises the panel while Left is held, then the
        # panel is closed while Up is held: neither release is ever heard,
        # and each move is stopped all the same.
        with self.session(cameras=("cam1",), window_manager=True, key_repeat=False) as s:
            window = s.wait_for_camera_ready()
            s.click("background")  # the window manager gives the panel the keyboard
            mark = s.log.mark()
            s.display.key_down("Left")
            s.log.wait_for(PanLeft(21), mark)
            s.display.minimise(window.id)
            s.log.wait_for(PanStop, mark, what="the pan to stop when the panel is minimised")
            s.display.key_up("Left")
            wait_until(lambda: all(w.size != panel.WINDOW_SIZE for w in s.windows()),
                       "the panel to be minimised")
            s.display.xdotool("windowactivate", window.id)
            s.wait_for_camera_ready()

            s.click("background")
            mark = s.log.mark()
            s.display.key_down("Up")
            s.log.wait_for(TiltUp(14), mark)
            s.click("close")
            self.assertEqual(s.wait_for_exit(), 0)
            s.display.key_up("Up")
            self.assertSent(s.log.since(mark), [TiltUp(14), TiltStop])
