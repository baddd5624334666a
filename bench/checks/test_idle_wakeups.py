# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""An idle panel costs nothing: once it has settled on two cameras, none of
its threads is woken, not once, until someone touches it; and after the
joystick's timers have run, or a command came over the session bus, it goes
back to that rest. The panel is connected to a session bus, as on a desktop.
It follows gamepads meanwhile (a udev monitor on input devices), and no pad
being there wakes it either. (A pad plugged in and untouched:
perf.gamepad_idle_wakeups.)

Exact counts from the kernel (context switches per thread), on the panel's
own Xvfb and simulated bus, so nothing else on the machine can move them."""

import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, ".."), os.path.join(HERE, "..", "..", "tests", "e2e")]

import panel  # noqa: E402
import procinfo  # noqa: E402
from camera_requests import PanLeft, PanStop, PresetCall  # noqa: E402
from session import PanelSession  # noqa: E402
from waiting import wait_until  # noqa: E402

# How long nothing may change before the panel counts as settled, and the
# bound on waiting for that (a sanitizer build on a loaded machine is slow).
SETTLED_SECONDS = 1.0
SETTLE_TIMEOUT = 120.0
# The windows in which an idle panel must not wake at all. The first spans
# the 30 s after start-up at which Qt's own leftovers of start-up would fire
# (the pixmap cache's flush timer, the image-conversion threads' expiry).
AFTER_START_WINDOW_SECONDS = 35.0
IDLE_WINDOW_SECONDS = 5.0
# The joystick's timers tick ten times a second; this many main-thread
# wake-ups while it is held shows the counts do see a timer.
HELD_WAKEUPS = 5


class IdleWakeups(unittest.TestCase):

    def settle(self, pid, what):
        settled = procinfo.wait_until_quiet(
            lambda: procinfo.threads(pid), SETTLED_SECONDS, SETTLE_TIMEOUT, interval=0.1)
        self.assertTrue(settled, f"the panel never settled {what}: its threads kept waking "
                        f"for {SETTLE_TIMEOUT:.0f} s")

    def assertNoWakeups(self, pid, what, seconds=IDLE_WINDOW_SECONDS):
        """Watches every thread for `seconds`; fails at the first wake-up."""
        before = procinfo.threads(pid)
        self.assertTrue(before, "the panel is not running")
        deadline = time.monotonic() + seconds
        while True:
            woke = procinfo.wakeups(before, procinfo.threads(pid))
            if woke:
                self.fail(f"the idle panel woke {what}: {procinfo.describe_wakeups(woke)}")
            if time.monotonic() >= deadline:
                return
            time.sleep(0.1)

    def main_thread_switches(self, pid):
        _, voluntary, involuntary = procinfo.threads(pid)[pid]
        return voluntary + involuntary

    def test_idle_panel_does_not_wake_before_or_after_the_joystick(self):
        with PanelSession("perf_idle_wakeups", session_bus=True) as s:
            pid = s.program.pid
            window = s.main_window()
            # Discovery is done once camera 1 is open and its settings read.
            s.log.wait_for_reads("cam1", 0, what="camera 1 to be opened and read")
            # The pads are followed from the first frame on: the rest below
            # is the rest of a panel waiting for one.
            wait_until(lambda: procinfo.hears_udev(pid), "the panel to follow gamepads through udev")
            self.settle(pid, "after start-up")
            self.assertNoWakeups(pid, "after start-up", AFTER_START_WINDOW_SECONDS)

            # The joystick held at its left rim: its timers run and the camera moves.
            x, y = panel.centre(s.at("joystick", window))
            mark = s.log.mark()
            held_from = self.main_thread_switches(pid)
            s.display.move_pointer(x, y)
            s.display.press_button()
            s.display.move_along((x, y), (x - 80, y), 8)
            s.log.wait_for(PanLeft(21), mark, what="the held joystick to pan left")
            wait_until(lambda: self.main_thread_switches(pid) - held_from >= HELD_WAKEUPS,
                       "the held joystick's timers to wake the panel")
            release = s.log.mark()
            s.display.release_button()
            s.log.wait_for(PanStop, release, count=2, what="the release to stop the camera")

            self.settle(pid, "after the joystick")
            self.assertNoWakeups(pid, "after the joystick was released")

            # A command over the bus, and a timed move that stops by itself.
            for words, op in ((("call", 4), PresetCall(4)), (("move", "left", "--for", "0.2"), PanStop)):
                mark = s.log.mark()
                done = s.command(*words)
                self.assertEqual((done.returncode, done.stderr), (0, ""), words)
                s.log.wait_for(op, mark)
            self.settle(pid, "after the commands")
            self.assertNoWakeups(pid, "after the commands")


if __name__ == "__main__":
    unittest.main()
