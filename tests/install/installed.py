# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""What the install checks share: the tree they judge, a command runner, and
the scenario that starts an installed ptzdeck under Xvfb and proves that
it reads nothing from the source or build tree."""

import os
import re
import struct
import subprocess
import sys
import tempfile

SOURCE_DIR = os.path.realpath(os.environ["PTZDECK_SOURCE_DIR"])
BUILD_DIR = os.path.realpath(os.environ["PTZDECK_BUILD_DIR"])
VERSION = os.environ.get("PTZDECK_VERSION", "")
SOVERSION = os.environ.get("PTZDECK_SOVERSION", "")
LIBDIR = os.environ.get("PTZDECK_LIBDIR", "")

sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))
from waiting import wait_until  # noqa: E402  (the e2e harness, found above)


def run(*command, env=None):
    """stdout of the command; its stderr in the failure when it fails."""
    done = subprocess.run(command, env=env, capture_output=True, text=True, timeout=600)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(command)} ended with {done.returncode}:\n{done.stdout}{done.stderr}")
    return done.stdout


# A simulated bus with a webcam the library does not offer and one PTZ camera,
# what tests/install/consumer prints on it, and the request its Home() sends.
BUS = {
    "1-webcam.cam": "name=Office Webcam\npath=\\\\?\\usb#vid_046d&pid_0825&mi_00#1\n",
    "2-hall.cam": "name=Hall PTZ\npath=\\\\?\\usb#vid_0000&pid_8888&mi_00#2\n",
}
CONSUMER_OUTPUT = "0 Hall PTZ\nopened Hall PTZ\n"
HOME_REQUEST = "2-hall ks-set camera-control 2 value1=8 value2=0 flags=0x10 len=40"
CONSUMER_SOURCE = os.path.join(SOURCE_DIR, "tests", "install", "consumer")


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise AssertionError(f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


class InstalledLibraryChecks:
    """Mixed into a TestCase: a program outside the tree built against an
    installed Lumetra, run on a simulated bus."""

    def build_with_pkg_config(self, work, env):
        flags = run("pkg-config", "--cflags", "--libs", "lumetra", env=env).split()
        program = os.path.join(work, "list_cameras")
        run("g++", "-std=c++17", "-Wall", "-Werror", os.path.join(CONSUMER_SOURCE, "list_cameras.cpp"),
            *flags, "-o", program)
        return program, flags

    def build_with_find_package(self, work, *cmake_options):
        build = os.path.join(work, "build")
        run("cmake", "-S", CONSUMER_SOURCE, "-B", build, "-DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF", *cmake_options)
        run("cmake", "--build", build)
        return os.path.join(build, "list_cameras")

    def check_lists_the_bus(self, program, work, env=None):
        bus = os.path.join(work, "bus")
        os.makedirs(bus)
        for name, text in BUS.items():
            with open(os.path.join(bus, name), "w") as f:
                f.write(text)
        self.assertEqual(run(program, env={**(env or os.environ), "LUMETRA_SIM_DIR": bus}), CONSUMER_OUTPUT)
        with open(os.path.join(bus, "requests.log")) as log:
            self.assertEqual(log.read().splitlines()[-1], HOME_REQUEST)


class InstalledProgramChecks:
    """Mixed into an e2e Scenario."""

    def check_starts_with_everything_it_shows_inside(self, program, library):
        """Starts `program` on a simulated bus under Xvfb, sees camera 1 open
        with the panel's images on the screen, closes it; meanwhile it must
        load `library` and touch nothing in the source or build tree."""
        # Every file system call the program and its threads make, recorded
        # by a tracer that leaves the program the process the session started.
        with tempfile.TemporaryDirectory(prefix="ptzdeck-trace-") as work:
            trace = os.path.join(work, "files.trace")
            launcher = ["strace", "-D", "-f", "-e", "trace=%file", "-o", trace, "--"]
            with self.session(cameras=("cam1",), program=program, launcher=launcher) as s:
                # Tab 1 green, the other four black, the unmuted face: the
                # panel's images are on the screen and camera 1 is open.
                s.wait_for_camera_ready(tab=1)
                s.click("close")
                self.assertEqual(s.wait_for_exit(), 0)
                pid = s.program.pid
            # strace pads the pid column: "812  +++ exited with 0 +++".
            exited = re.compile(rf"^{pid}\s+\+\+\+ exited with 0 \+\+\+$", re.MULTILINE)
            wait_until(lambda: exited.search(_read(trace)), "the trace to be complete")
            # As the files are: /lib is /usr/lib on Debian, bin/.. is the prefix.
            paths = {os.path.realpath(p) for p in re.findall(r'"(/[^"]*)"', _read(trace))}
        # The tracer saw the program load its library; so it saw everything.
        self.assertTrue(os.path.realpath(library) in paths, f"the trace never shows {library} loaded")
        from_the_trees = sorted(p for p in paths if _inside(p, SOURCE_DIR) or _inside(p, BUILD_DIR))
        self.assertEqual(from_the_trees, [], "the installed program reached into the source or build tree")


def _inside(path, top):
    return path == top or path.startswith(top + os.sep)


def _read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except FileNotFoundError:
        return ""
