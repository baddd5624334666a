# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later

"""check_abi.py against edited copies of the committed baseline: a removed or
changed fact fails and cannot be recorded without a new SOVERSION; an
addition fails until recorded; a new SOVERSION fails until recorded.

    test_check_abi.py LIBRARY PROBE HEADERS BASELINE
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_abi.py")
LIBRARY, PROBE, HEADERS, BASELINE = sys.argv[1:5]


def check(baseline, *extra):
    done = subprocess.run([sys.executable, CHECK, "--library", LIBRARY, "--probe", PROBE, "--headers", HEADERS,
                           "--baseline", baseline, *extra], capture_output=True, text=True)
    return done.returncode, done.stdout


class Edits(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="abi-")
        self.addCleanup(shutil.rmtree, self.work)
        with open(BASELINE) as f:
            self.lines = f.read().splitlines()

    def edited(self, edit):
        path = os.path.join(self.work, "edited.abi")
        with open(path, "w") as f:
            f.write("\n".join(edit(list(self.lines))) + "\n")
        return path

    def test_edits(self):
        def first(prefix):
            return next(i for i, line in enumerate(self.lines) if line.startswith(prefix))

        def replace(prefix, new):
            return lambda lines: lines[:first(prefix)] + [new] + lines[first(prefix) + 1:]

        def drop(prefix):
            return lambda lines: lines[:first(prefix)] + lines[first(prefix) + 1:]

        # edit, what the check says, whether --update may record it
        cases = {
            "a function the library lost": (
                lambda lines: lines + ["function _ZN10BaseDevice4GoneEv"], "changed or lost", False),
            "a virtual slot moved": (replace("slot BaseDevice[3] ", "slot BaseDevice[4] _ZN10BaseDevice10TiltUpStopEv"),
                                     "changed or lost", False),
            "a type that grew": (replace("type PropertyInfo ", "type PropertyInfo size 20"), "changed or lost", False),
            "the vtable's size": (replace("object _ZTV10BaseDevice ", "object _ZTV10BaseDevice 680"),
                                  "changed or lost", False),
            "a new function": (drop("function _ZN10BaseDevice7ReleaseEv"), "does not record", True),
            "a new SOVERSION": (replace("soversion ", "soversion 99"), "records another version", True),
        }
        self.assertEqual(check(BASELINE)[0], 0, "the committed baseline must match")
        for name, (edit, message, recordable) in cases.items():
            with self.subTest(name):
                path = self.edited(edit)
                status, said = check(path)
                self.assertEqual(status, 1, said)
                self.assertIn(message, said)
                before = open(path).read()
                status, said = check(path, "--update")
                self.assertEqual(status, 0 if recordable else 1, said)
                if recordable:
                    self.assertEqual(check(path)[0], 0, "the recorded baseline must match")
                    self.assertEqual(open(path).read().splitlines()[:5], self.lines[:5], "the comment is kept")
                else:
                    self.assertEqual(open(path).read(), before, "a refused update must not write")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
