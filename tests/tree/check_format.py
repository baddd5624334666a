#!/usr/bin/python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Every tracked C++ file as clang-format would write it, by the
.clang-format nearest to it. Prints the files that differ and a command that
mends them.

    check_format.py SOURCE_DIR
"""

import subprocess
import sys

from tracked import source_files

source = sys.argv[1]
files = [f for f in source_files(source) if f.endswith((".cpp", ".h"))]
done = subprocess.run(["clang-format", "--dry-run", "-Werror", *files], cwd=source,
                      capture_output=True, text=True)
if done.returncode != 0:
    unformatted = sorted({line.split(":", 1)[0] for line in done.stderr.splitlines()
                          if ": error:" in line})
    print("not formatted:", *unformatted, sep="\n  ")
    print("mend with: clang-format -i " + " ".join(unformatted))
    if not unformatted:
        print(done.stderr)
sys.exit(done.returncode)
