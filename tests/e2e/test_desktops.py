# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The panel on real desktops (make test-desktops): X11 with and without a
compositing manager; Weston, GNOME Shell and KWin with XWayland; and KWin
with the panel on Wayland itself, as a user's QT_QPA_PLATFORM=wayland asks.
Each scenario runs on every desktop that can carry it out."""

import os
import subprocess

import panel
from desktops import GnomeDesktop, KWinDesktop, WestonDesktop, X11Desktop
from session import Scenario
from waiting import wait_until

DESKTOPS = {
    "x11": lambda work: X11Desktop(work),
    "x11-picom": lambda work: X11Desktop(work, compositor=True),
    "weston": WestonDesktop,
    "gnome": GnomeDesktop,
    "kwin": KWinDesktop,
    "kwin-wayland": lambda work: KWinDesktop(work, native=True),
}
# Weston's headless back end has no seat: pointer events sent into its
# XWayland through XTEST crash that X server, so nothing can be clicked there.
WITH_A_POINTER = ("x11", "x11-picom", "gnome", "kwin", "kwin-wayland")
# Fluxbox's notification area is an XEmbed one, which reports clicks (on
# plain X11 the panel goes there in e2e_window already).
WITH_AN_XEMBED_TRAY = ("x11-picom",)
# GNOME's AppIndicator extension and KDE's tray take StatusNotifierItems.
WITH_A_STATUS_NOTIFIER_TRAY = ("gnome", "kwin", "kwin-wayland")
# Where the desktop's own record of what it keeps on top can be read: the
# EWMH state an X window manager sets, KWin's window list.
WITH_A_READABLE_STACKING = ("x11", "gnome", "kwin", "kwin-wayland")
# Where the panel is a Wayland window: the compositor alone places it and
# decides what stays on top.
NATIVE_WAYLAND = ("kwin-wayland",)

SHOTS = os.environ.get("PTZDECK_DESKTOP_SHOTS")  # where to keep each desktop's screenshot


class Desktops(Scenario):
    def test_shown_with_the_programs_name_through_x_unless_the_user_asks(self):
        for desktop, make in DESKTOPS.items():
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=make) as s:
                window = s.main_window()
                if desktop in NATIVE_WAYLAND:
                    # The user's QT_QPA_PLATFORM=wayland wins over XWayland.
                    self.assertFalse(window.x11, "the panel is an X window despite QT_QPA_PLATFORM=wayland")
                else:
                    # Found on the desktop's X server: under Weston, GNOME and
                    # KWin the panel took XWayland although the session is a
                    # Wayland one and Qt's Wayland plug-in is installed.
                    wm_class = subprocess.run(["xprop", "-id", str(window.id), "WM_CLASS"], env=s.display.env(),
                                              capture_output=True, text=True, timeout=30).stdout
                    self.assertIn('"ptzdeck", "ptzdeck"', wm_class)
                if isinstance(s.display, KWinDesktop):
                    # What KWin's task switcher names it by, X or Wayland.
                    self.assertEqual(window.window_class, "ptzdeck")

                # The compositor's own picture shows the open camera's face.
                def camera_ready():
                    shot = s.display.screenshot()
                    return shot.count_near((0, 0, shot.width, shot.height), panel.TAB_GREEN, tolerance=20) >= 30
                wait_until(camera_ready, f"the panel with its camera on {desktop}")
                if SHOTS:
                    os.makedirs(SHOTS, exist_ok=True)
                    s.display.save_screenshot(os.path.join(SHOTS, f"{desktop}.png"))

    def test_minimise_to_the_tray_and_back_as_a_statusnotifieritem(self):
        # A click on the item in GNOME's top bar or KDE's tray sends
        # Activate, which Qt reports as a single activation, never a double
        # click.
        for desktop in WITH_A_STATUS_NOTIFIER_TRAY:
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=DESKTOPS[desktop]) as s:
                window = s.wait_for_camera_ready()
                wait_until(lambda: s.display.bus_has(s.display.tray_item(s.program.pid)),
                           "the panel's item in the notification area")
                s.click("min")
                wait_until(lambda: not s.windows(), "the window to go to the notification area")
                self.assertEqual(menu_entry(s, "Show")["enabled"], True)
                s.display.activate_tray_item(s.program.pid)
                back = s.wait_for_camera_ready()
                if desktop not in NATIVE_WAYLAND:  # there the compositor places each window it is given
                    self.assertEqual(back.position, window.position)
                self.assertEqual(menu_entry(s, "Hide")["enabled"], True)

    def test_stay_on_top_as_the_desktop_keeps_it(self):
        for desktop in WITH_A_READABLE_STACKING:
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=DESKTOPS[desktop]) as s:
                window = s.wait_for_camera_ready()

                def kept(above):
                    wait_until(lambda: s.display.keeps_above(s.main_window()) == above
                               and s.on_top_face(s.screenshot(), window) == ("on" if above else "off"),
                               f"the desktop to keep the panel {'on top' if above else 'among the others'}"
                               f" and its button to say so")
                if desktop not in NATIVE_WAYLAND:
                    # On top from the start; the button takes it off and
                    # puts it back.
                    kept(True)
                    s.click("top")
                    kept(False)
                    s.click("top")
                    kept(True)
                else:
                    # No Wayland protocol lets a window keep itself on top:
                    # the button says it is not, and a click changes nothing.
                    kept(False)
                    s.click("top")
                    s.fence(s.log.mark())  # the click has been handled by now
                    self.assertFalse(s.display.keeps_above(s.main_window()))
                    self.assertEqual(s.on_top_face(s.screenshot(), window), "off")
                if desktop in WITH_A_STATUS_NOTIFIER_TRAY:
                    # The tray menu tells the same, and offers nothing the
                    # desktop would not do.
                    on_top = desktop not in NATIVE_WAYLAND
                    self.assertEqual(menu_entry(s, "Stay on top"),
                                     {"label": "Stay on top", "enabled": on_top, "checked": on_top})

    def test_minimise_to_the_tray_and_back(self):
        for desktop in WITH_AN_XEMBED_TRAY:
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=DESKTOPS[desktop]) as s:
                self.minimise_to_the_xembed_tray_and_back(s)

    def test_drag_and_click_through_the_empty_half(self):
        for desktop in WITH_A_POINTER:
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=DESKTOPS[desktop]) as s:
                window = s.wait_for_camera_ready()
                # A window behind the panel that says what clicks it gets.
                behind_log = os.path.join(s.work, "xev.log")
                with open(behind_log, "wb") as out:
                    behind = subprocess.Popen(["xev", "-geometry", "300x300+800+250", "-event", "button"],
                                              env=s.display.env(), stdout=out, stderr=subprocess.STDOUT)
                try:
                    target = (950, 400)  # the middle of the window behind
                    wait_until(lambda: any(w.x <= target[0] < w.x + w.width and w.y <= target[1] < w.y + w.height
                                           for w in s.display.windows_titled("Event Tester")),
                               "the window behind the panel")

                    # Drag the panel by its face so that its empty half (the
                    # settings pane, hidden) lies over that point. On Wayland
                    # the compositor does the moving.
                    empty = (panel.PANE_X + 160, 220)
                    goal = (target[0] - empty[0], target[1] - empty[1])
                    grab = panel.centre(s.at("background", window))
                    s.display.drag_window(grab, (grab[0] + goal[0] - window.x, grab[1] + goal[1] - window.y),
                                          steps=10)
                    wait_until(lambda: s.main_window().position == goal, f"the panel dragged to {goal}")

                    def presses():
                        with open(behind_log, errors="replace") as text:
                            return text.read().count("ButtonPress event")
                    # Nothing is there: the click and a drag reach the window behind
                    # and leave the panel where it is.
                    s.display.click(*target)
                    wait_until(lambda: presses() == 1, "the click to reach the window behind")
                    s.display.drag(target, (target[0] + 60, target[1] + 40), steps=5)
                    wait_until(lambda: presses() == 2, "the drag to reach the window behind")
                    self.assertEqual(s.main_window().position, goal)

                    # With the settings pane shown, the same place is the pane's.
                    s.click("setting")
                    wait_until(lambda: s.screenshot().count_near(s.at_rect(panel.PANE), (0, 0, 0), 8)
                               < panel.PANE[2] * panel.PANE[3] // 2, "the settings pane to be shown")
                    s.display.click(*target)
                    s.fence(s.log.mark())  # the panel has handled the click by now
                    self.assertEqual(presses(), 2, "the pane let a click through")
                finally:
                    behind.terminate()
                    behind.wait()

    def test_drag_a_warning_by_its_face(self):
        # With no camera the panel warns at once; the warning goes where it
        # is dragged, on Wayland through the compositor as the panel does.
        for desktop in WITH_A_POINTER:
            with self.subTest(desktop=desktop), self.session(cameras=(), display=DESKTOPS[desktop]) as s:
                dialog = s.wait_for_dialog()
                grab = (dialog.x + 40, dialog.y + 60)  # its dark face, left of the picture
                s.display.drag_window(grab, (grab[0] + 120, grab[1] + 80), steps=8)
                goal = (dialog.x + 120, dialog.y + 80)
                wait_until(lambda: [d.position for d in s.dialogs()] == [goal], f"the warning dragged to {goal}")


def menu_entry(s, label):
    """The entry `label` of the panel's menu in the notification area."""
    entries = s.display.tray_menu(s.program.pid)
    found = [e for e in entries if e["label"] == label]
    if len(found) != 1:
        raise AssertionError(f"no single {label!r} in the tray menu {entries}")
    return found[0]


if __name__ == "__main__":
    import unittest
    unittest.main()
