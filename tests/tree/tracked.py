# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The source tree's files: git's list in a checkout; in an unpacked tree
(git archive, a source package) every file, less what git would not list:
build trees (a folder with a CMakeCache.txt), Python's bytecode caches and
.git."""

import os
import subprocess


def source_files(source):
    listed = subprocess.run(["git", "-C", source, "ls-files", "-z"], capture_output=True)
    if listed.returncode == 0:
        return [f for f in listed.stdout.decode().split("\0") if f]
    files = []
    for folder, subfolders, names in os.walk(source):
        subfolders[:] = [d for d in subfolders if d not in (".git", "__pycache__")
                         and not os.path.exists(os.path.join(folder, d, "CMakeCache.txt"))]
        files += [os.path.relpath(os.path.join(folder, n), source) for n in names]
    return sorted(files)
