# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Start-up and memory against a peer measured in the same run: ptzdeck on
two simulated cameras must reach its first frame sooner than qv4l2 reaches
its own, and hold less memory once idle, and it must not load an OpenGL
driver (Mesa and LLVM were half its memory and time before it stopped) nor
any image-format plug-in (its pictures are all PNG, which Qt decodes itself;
asking the plug-ins loaded GIF, ICO, JPEG and SVG readers with libjpeg and
QtSvg), nor any font (its face is pictures; the settings pane, the only text,
is built when first shown, and its fields alone brought fontconfig's
configuration, caches and fonts in).

Ratios and counts only: both programs start alternately on one Xvfb, so a
loaded machine slows them alike. qv4l2 stands for the peers here because it
is a Qt program too; bench/run compares against guvcview as well."""

import os
import shutil
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, ".."), os.path.join(HERE, "..", "..", "tests", "e2e")]

from display import Display  # noqa: E402
from startup import Program, Workspace, one_start  # noqa: E402

ROUNDS = 3  # after one warm-up round, which is dropped
OPENGL_DRIVER_MARKS = ("/dri/", "libLLVM", "libGLX_mesa")
IMAGE_FORMAT_MARKS = ("/imageformats/", "libjpeg", "libQt5Svg")
FONT_MARKS = ("/fonts/", "/fontconfig/", ".ttf", ".otf", ".pfb")


def mappings(pid, marks):
    with open(f"/proc/{pid}/maps") as maps:
        return sorted({line.split()[-1] for line in maps
                       if any(mark in line for mark in marks)})


class StartupAgainstQv4l2(unittest.TestCase):

    def test_ptzdeck_starts_sooner_and_smaller_than_qv4l2(self):
        qv4l2 = shutil.which("qv4l2")
        self.assertIsNotNone(qv4l2, "qv4l2 is not installed (scripts/bootstrap installs it)")
        ptzdeck = Program("ptzdeck", [os.environ["PTZDECK_PROGRAM"]], needs_bus=True)
        peer = Program("qv4l2", [qv4l2], needs_bus=False)
        probe = os.environ["PTZDECK_XPROBE"]
        space = Workspace()
        display = Display(space.fresh("xvfb"), key_repeat=False).start()
        runs = {"ptzdeck": [], "qv4l2": []}
        drivers, image_formats, fonts = [], [], []
        try:
            for round_number in range(ROUNDS + 1):
                for program in (ptzdeck, peer):
                    inspect = (lambda pid: (drivers.extend(mappings(pid, OPENGL_DRIVER_MARKS)),
                                            image_formats.extend(mappings(pid, IMAGE_FORMAT_MARKS)),
                                            fonts.extend(mappings(pid, FONT_MARKS)))) \
                        if program is ptzdeck else None
                    run = one_start(program, display, probe, space, inspect)
                    if round_number:
                        runs[program.name].append(run)
        finally:
            display.stop()
            space.remove()

        self.assertEqual(drivers, [], "ptzdeck loaded an OpenGL driver")
        self.assertEqual(image_formats, [], "ptzdeck loaded image-format plug-ins")
        self.assertEqual(fonts, [], "ptzdeck loaded fonts before anything showed text")
        # The best of each: what the program costs when the machine lets it.
        mine = {key: min(r[key] for r in runs["ptzdeck"]) for key in ("frame_ms", "rss_mb", "uss_mb")}
        theirs = {key: min(r[key] for r in runs["qv4l2"]) for key in ("frame_ms", "rss_mb", "uss_mb")}
        for key, what in (("frame_ms", "first frame"), ("rss_mb", "resident memory"),
                          ("uss_mb", "memory of its own")):
            self.assertLess(mine[key] / theirs[key], 1.0,
                            f"{what}: ptzdeck {mine[key]:.1f}, qv4l2 {theirs[key]:.1f} "
                            f"(all runs: {runs})")


if __name__ == "__main__":
    unittest.main()
