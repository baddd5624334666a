# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""scripts/simcam: making a bus, plugging cameras, reading the log in words.
(That the program takes simcam's cameras is shown by the hot-plug scenario.)"""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import camera_requests as ops

SIMCAM = os.environ.get("PTZDECK_SIMCAM") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "simcam")

# Each operation as the camera receives it, and how simcam must name it.
NAMED = [
    (ops.PanRight(21), "PanRight 21"), (ops.PanLeft(6), "PanLeft 6"), (ops.PanStop, "PanStop"),
    (ops.TiltUp(14), "TiltUp 14"), (ops.TiltDown(2), "TiltDown 2"), (ops.TiltStop, "TiltStop"),
    (ops.ZoomIn, "ZoomIn"), (ops.ZoomOut, "ZoomOut"), (ops.ZoomStop, "ZoomStop"),
    (ops.FocusNear, "FocusNear"), (ops.FocusFar, "FocusFar"), (ops.FocusStop, "FocusStop"),
    (ops.MirrorOn, "MirrorOn"), (ops.MirrorOff, "MirrorOff"), (ops.FlipOn, "FlipOn"),
    (ops.FlipOff, "FlipOff"), (ops.MuteOn, "MuteOn"), (ops.MuteOff, "MuteOff"),
    (ops.FocusAuto, "FocusAuto"), (ops.FocusManual, "FocusManual"), (ops.Home, "Home"),
    (ops.FramingAuto, "FramingAuto"), (ops.FramingManual, "FramingManual"),
    (ops.PresetSet(3), "PresetSet 3"), (ops.PresetClear(0), "PresetClear 0"),
    (ops.PresetCall(3), "PresetCall 3"), (ops.PresetCall(9), "PresetCall 9"),
    (ops.SetBrightness(-20), "SetBrightness -20"), (ops.SetContrast(32), "SetContrast 32"),
    (ops.SetSaturation(64), "SetSaturation 64"), (ops.SetSharpness(3), "SetSharpness 3"),
    (ops.SetGamma(100), "SetGamma 100"), (ops.SetBacklight(1), "SetBacklight 1"),
    (ops.SetPowerLineFrequency(2), "SetPowerLineFrequency 2"),
    (ops.SetWhiteBalance(4600), "SetWhiteBalance 4600"),
    (ops.SetWhiteBalanceMode(0), "WhiteBalance auto"),
]


def log_line(camera, op):
    value = 0 if op.value is None else op.value
    return f"{camera} ks-set {op.set} {op.id} value1={value} value2=0 flags=0x{op.flags:x} len=40"


def opening_reads(camera):
    return [f"{camera} get-range proc-amp 7", f"{camera} get-range camera-control 4",
            f"{camera} get proc-amp 7", f"{camera} get proc-amp 8"]


class SimCam(unittest.TestCase):
    def setUp(self):
        self.bus = tempfile.mkdtemp(prefix="simcam-test-")
        self.addCleanup(shutil.rmtree, self.bus, True)

    def simcam(self, *args, check=True, env=None):
        done = subprocess.run([sys.executable, SIMCAM, *args], capture_output=True, text=True,
                              timeout=60, env=env)
        if check and done.returncode != 0:
            self.fail(f"simcam {' '.join(args)} failed: {done.stderr}")
        return done

    def write_log(self, lines):
        with open(os.path.join(self.bus, "requests.log"), "a") as log:
            log.writelines(f"{line}\n" for line in lines)

    def test_log_names_every_operation(self):
        self.write_log(log_line("cam1", op) for op, _ in NAMED)
        printed = self.simcam("--bus", self.bus, "log").stdout.splitlines()
        self.assertEqual(printed, [f"cam1     {words}" for _, words in NAMED])

    def test_reads_of_an_opening_are_one_line_unless_asked(self):
        self.write_log(opening_reads("cam2") + [log_line("cam2", ops.Home)]
                       + opening_reads("cam1") + ["something else"])
        self.assertEqual(self.simcam("--bus", self.bus, "log").stdout.splitlines(), [
            "cam2     opened: reads its settings", "cam2     Home",
            "cam1     opened: reads its settings", "something else"])
        every = self.simcam("--bus", self.bus, "log", "--reads").stdout.splitlines()
        self.assertEqual(every[:4], ["cam2     reads the range of WhiteBalance",
                                     "cam2     reads the range of Exposure",
                                     "cam2     reads WhiteBalance",
                                     "cam2     reads BacklightCompensation"])
        self.assertEqual(len(every), 10)

    def test_plug_list_unplug(self):
        self.simcam("--bus", self.bus, "plug", "cam1")
        self.simcam("--bus", self.bus, "plug", "desk", "--model", "webcam", "--label", "Desk Cam")
        self.simcam("--bus", self.bus, "plug", "wide", "--model", "ptz-00f9",
                    "--set", "proc-amp.0=-64,64,1,0,10")
        self.assertEqual(sorted(f for f in os.listdir(self.bus)), ["cam1.cam", "desk.cam", "wide.cam"])
        with open(os.path.join(self.bus, "cam1.cam")) as cam:
            text = cam.read()
        self.assertIn("name=PTZ Camera cam1\n", text)
        self.assertIn(r"path=\\?\usb#vid_0000&pid_8888&", text)
        with open(os.path.join(self.bus, "wide.cam")) as cam:
            self.assertIn("proc-amp.0=-64,64,1,0,10\n", cam.read())
        listing = self.simcam("--bus", self.bus, "list").stdout
        self.assertIn("cam1         PTZ Camera cam1  (supported)", listing)
        self.assertIn("desk         Desk Cam  (not supported)", listing)
        self.assertIn("wide         PTZ Camera wide  (supported)", listing)

        self.simcam("--bus", self.bus, "unplug", "desk")
        self.assertEqual(sorted(os.listdir(self.bus)), ["cam1.cam", "wide.cam"])
        self.simcam("--bus", self.bus, "unplug", "--all")
        self.assertEqual(os.listdir(self.bus), [])

    def test_refusals(self):
        env = {k: v for k, v in os.environ.items() if k != "LUMETRA_SIM_DIR"}
        self.simcam("--bus", self.bus, "plug", "cam1")
        for args in (("plug", "cam1"),                  # already plugged in
                     ("plug", "../escape"),             # not a name
                     ("plug", "cam2", "--set", "no-equals-sign"),
                     ("unplug", "cam7"),                # not plugged in
                     ("unplug",)):                      # nothing said
            with self.subTest(args=args):
                done = self.simcam("--bus", self.bus, *args, check=False)
                self.assertEqual(done.returncode, 1, done.stdout)
                self.assertTrue(done.stderr.startswith("simcam: "), done.stderr)
        self.assertEqual(sorted(os.listdir(self.bus)), ["cam1.cam"])
        self.assertEqual(self.simcam("list", check=False, env=env).returncode, 1)

    def test_new_makes_a_bus_to_export(self):
        where = os.path.join(self.bus, "made")
        self.assertEqual(self.simcam("new", where).stdout, f"export LUMETRA_SIM_DIR={where}\n")
        self.assertTrue(os.path.isdir(where))
        line = self.simcam("new").stdout.strip()
        made = line.split("=", 1)[1]
        self.addCleanup(shutil.rmtree, made, True)
        self.assertTrue(line.startswith("export LUMETRA_SIM_DIR=") and os.path.isdir(made))

    def test_watch_follows_the_log_even_when_it_is_deleted(self):
        self.write_log([log_line("cam1", ops.PanRight(21))])  # before the watch: not shown
        watch = subprocess.Popen([sys.executable, SIMCAM, "--bus", self.bus, "watch"],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(watch.stderr.close)
        self.addCleanup(watch.stdout.close)
        self.addCleanup(watch.wait)
        self.addCleanup(watch.terminate)
        # It says so once it has the log open.
        self.assertTrue(watch.stderr.readline().startswith(b"following "))
        output = [b""]

        def printed():
            return output[0].decode().splitlines(keepends=True)

        def wait_for_line(words):
            deadline = time.monotonic() + 30
            while not any(words in line for line in printed()):
                self.assertLess(time.monotonic(), deadline, f"watch did not print {words!r}: {printed()}")
                ready, _, _ = select.select([watch.stdout], [], [], 0.5)
                if ready:
                    output[0] += os.read(watch.stdout.fileno(), 4096)

        self.write_log([log_line("cam1", ops.PresetCall(3))])
        wait_for_line("PresetCall 3")
        os.remove(os.path.join(self.bus, "requests.log"))
        self.write_log([log_line("cam2", ops.TiltDown(4))])
        wait_for_line("TiltDown 4")
        self.assertEqual(printed(), ["cam1     PresetCall 3\n", "cam2     TiltDown 4\n"])
