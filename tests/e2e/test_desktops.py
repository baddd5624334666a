"""The panel on real desktops (make test-desktops): X11 with and without a
compositing manager, and a Wayland compositor (Weston) with XWayland. Each
scenario runs on every desktop that can carry it out."""

import os
import shutil
import subprocess

import panel
from desktops import GnomeDesktop, WestonDesktop, X11Desktop
from session import Scenario
from waiting import wait_until

DESKTOPS = {
    "x11": lambda work: X11Desktop(work),
    "x11-picom": lambda work: X11Desktop(work, compositor=True),
    "weston": WestonDesktop,
    "gnome": GnomeDesktop,
}
# Weston's headless back end has no seat: pointer events sent into its
# XWayland through XTEST crash that X server, so nothing can be clicked there.
WITH_A_POINTER = ("x11", "x11-picom", "gnome")
# Fluxbox's notification area is an XEmbed one, which reports clicks.
WITH_AN_XEMBED_TRAY = ("x11", "x11-picom")

SHOTS = os.environ.get("PTZDECK_DESKTOP_SHOTS")  # where to keep each desktop's screenshot


class Desktops(Scenario):
    def test_shown_through_x_with_the_programs_name(self):
        for desktop, make in DESKTOPS.items():
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=make) as s:
                # Found on the desktop's X server: under Weston the panel took
                # XWayland although the session is a Wayland one and Qt's
                # Wayland plug-in is installed.
                window = s.main_window()
                wm_class = subprocess.run(["xprop", "-id", str(window.id), "WM_CLASS"], env=s.display.env(),
                                          capture_output=True, text=True, timeout=30).stdout
                self.assertIn('"ptzdeck", "ptzdeck"', wm_class)

                # The compositor's own picture shows the open camera's face.
                def camera_ready():
                    shot = s.display.screenshot()
                    return shot.count_near((0, 0, shot.width, shot.height), panel.TAB_GREEN, tolerance=20) >= 30
                wait_until(camera_ready, f"the panel with its camera on {desktop}")
                if SHOTS:
                    os.makedirs(SHOTS, exist_ok=True)
                    s.display.save_screenshot(os.path.join(SHOTS, f"{desktop}.png"))

    def test_minimise_to_the_tray_and_back_as_a_statusnotifieritem(self):
        # GNOME's top bar shows the item; clicking it sends Activate, which
        # Qt reports as a single activation, never a double click.
        with self.session(cameras=("cam1",), display=GnomeDesktop) as s:
            window = s.wait_for_camera_ready()
            wait_until(lambda: s.display.bus_has(f"org.kde.StatusNotifierItem-{s.program.pid}-1"),
                       "the panel's item in the top bar")
            s.click("min")
            wait_until(lambda: not s.windows(), "the window to go to the top bar")
            s.display.activate_tray_item(s.program.pid)
            back = s.main_window()
            self.assertEqual(back.position, window.position)
            s.wait_for_camera_ready()

    def test_minimise_to_the_tray_and_back(self):
        for desktop in WITH_AN_XEMBED_TRAY:
            with self.subTest(desktop=desktop), self.session(cameras=("cam1",), display=DESKTOPS[desktop]) as s:
                window = s.wait_for_camera_ready()

                def tray_icon():
                    return next((w for w in s.windows() if w.width <= 64 and w.height <= 64), None)
                icon = wait_until(tray_icon, "the panel's icon in the notification area")
                s.click("min")
                wait_until(lambda: all(w.size != panel.WINDOW_SIZE for w in s.windows()),
                           "the window to go to the notification area")
                # An XEmbed tray reports clicks as they come: a single click
                # brings nothing back, a double click does.
                s.display.click(*panel.centre((icon.x, icon.y, icon.width, icon.height)))
                s.display.xdotool("click", "--repeat", 2, "--delay", 80, 1)
                back = s.main_window()
                self.assertEqual(back.position, window.position)

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
                                           for w in (s.display.window(int(i)) for i in subprocess.run(
                                               ["xdotool", "search", "--onlyvisible", "--name", "^Event Tester$"],
                                               env=s.display.env(), capture_output=True, text=True).stdout.split())
                                           if w),
                               "the window behind the panel")

                    # Drag the panel by its face so that its empty half (the
                    # settings pane, hidden) lies over that point.
                    empty = (panel.PANE_X + 160, 220)
                    goal = (target[0] - empty[0], target[1] - empty[1])
                    grab = panel.centre(s.at("background", window))
                    s.display.drag(grab, (grab[0] + goal[0] - window.x, grab[1] + goal[1] - window.y), steps=10)
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


if __name__ == "__main__":
    import unittest
    unittest.main()
