# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later

"""compare_abi.py against edited copies of the committed records: a removal
or a change fails and cannot be recorded without a new SOVERSION; an
addition fails until recorded; a new SOVERSION fails until recorded.

    test_check_abi.py LIBRARY PROBE HEADERS RECORD PROBE_RECORD
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

COMPARE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "compare_abi.py")
LIBRARY, PROBE, HEADERS, RECORD, PROBE_RECORD = sys.argv[1:6]


def compare(record, probe_record, *extra):
    done = subprocess.run([sys.executable, COMPARE, "--headers", HEADERS, "--record", LIBRARY, record,
                           "--record", PROBE, probe_record, *extra], capture_output=True, text=True)
    return done.returncode, done.stdout + done.stderr


class Edits(unittest.TestCase):
    def test_edits(self):
        work = tempfile.mkdtemp(prefix="abi-")
        self.addCleanup(shutil.rmtree, work)
        committed = {}
        for name in (RECORD, PROBE_RECORD):
            with open(name) as f:
                committed[name] = f.read()

        def sub(pattern, new, count=1):
            def edit(text):
                edited, n = re.subn(pattern, new, text, flags=re.S)
                self.assertEqual(n, count, pattern)
                return edited
            return edit

        def both(first, second):
            return lambda text: second(first(text))

        def last_virtual(text):
            slot = max(map(int, re.findall(r"vtable-offset='(\d+)'", text)))
            return sub(rf"\n\s*<member-function [^>]*vtable-offset='{slot}'>.*?</member-function>", "")(text)

        gone = ("\\1\n    <elf-symbol name='_ZN10BaseDevice4GoneEv' type='func-type' binding='global-binding'"
                " visibility='default-visibility' is-defined='yes'/>")
        # record edited, edit, what the check says, whether --update may record it
        cases = {
            "a function the library lost": (RECORD, sub(r"(<elf-function-symbols>)", gone), "changed or lost", False),
            "a virtual slot moved": (RECORD, sub(r"vtable-offset='([34])'",
                                                 lambda m: f"vtable-offset='{7 - int(m.group(1))}'", 2),
                                     "changed or lost", False),
            "a type that grew": (RECORD, sub(r"(name='PropertyInfo' size-in-bits=)'192'", r"\1'160'"),
                                 "changed or lost", False),
            # abidiff does not compare the size of a symbol without a declaration,
            # the vtable's: what grows it is a virtual function, even at the end.
            "the vtable's size": (RECORD, last_virtual, "changed or lost", False),
            "an enumerator's value": (PROBE_RECORD, sub(r"('AbilityHome' value=)'16'", r"\1'17'"),
                                      "changed or lost", False),
            "a new function": (RECORD, both(sub(r"\n\s*<elf-symbol name='_ZN10BaseDevice7ReleaseEv'[^\n]*", ""),
                                            sub(r"\n\s*<member-function [^>]*>\s*<function-decl name='Release'"
                                                r".*?</member-function>", "")),
                               "does not record", True),
            "a new enumerator": (PROBE_RECORD, sub(r"\n\s*<enumerator name='AbilityPositions'[^\n]*", ""),
                                 "does not record", True),
            "a new SOVERSION": (RECORD, sub(r"(soname='[^']*\.so\.)\d+'", r"\g<1>99'"),
                                "records another version", True),
        }
        self.assertEqual(compare(RECORD, PROBE_RECORD)[0], 0, "the committed records must match")
        for name, (edited, edit, message, recordable) in cases.items():
            with self.subTest(name):
                paths = {}
                for record, text in committed.items():
                    paths[record] = os.path.join(work, os.path.basename(record))
                    with open(paths[record], "w") as f:
                        f.write(edit(text) if record == edited else text)
                status, said = compare(paths[RECORD], paths[PROBE_RECORD])
                self.assertEqual(status, 1, said)
                self.assertIn(message, said)
                before = open(paths[edited]).read()
                status, said = compare(paths[RECORD], paths[PROBE_RECORD], "--update")
                self.assertEqual(status, 0 if recordable else 1, said)
                if recordable:
                    self.assertEqual(compare(paths[RECORD], paths[PROBE_RECORD])[0], 0,
                                     "the recorded baseline must match")
                    self.assertEqual(open(paths[edited]).read().splitlines()[:5],
                                     committed[edited].splitlines()[:5], "the comment is kept")
                else:
                    self.assertEqual(open(paths[edited]).read(), before, "a refused update must not write")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
