# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The source tree's files: git's list in a checkout; in an unpacked tree
(git archive, a source package) every file git would list there, that is
less what the tree's .gitignore names (build trees, bytecode caches), any
other build tree (a folder with a CMakeCache.txt) and .git."""

import fnmatch
import os
import subprocess


def ignore_patterns(source):
    """The top .gitignore's patterns as (glob, anchored, folders_only)."""
    patterns = []
    try:
        with open(os.path.join(source, ".gitignore")) as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        return patterns
    for line in lines:
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        patterns.append((line.strip("/"), line.startswith("/"), line.endswith("/")))
    return patterns


def ignored(patterns, name, at_top, is_folder):
    return any(fnmatch.fnmatchcase(name, glob) and (at_top or not anchored) and (is_folder or not folders_only)
               for glob, anchored, folders_only in patterns)


def source_files(source):
    listed = subprocess.run(["git", "-C", source, "ls-files", "-z"], capture_output=True)
    if listed.returncode == 0:
        return [f for f in listed.stdout.decode().split("\0") if f]
    patterns = ignore_patterns(source)
    files = []
    for folder, subfolders, names in os.walk(source):
        at_top = os.path.samefile(folder, source)
        subfolders[:] = [d for d in subfolders if d != ".git"
                         and not ignored(patterns, d, at_top, True)
                         and not os.path.exists(os.path.join(folder, d, "CMakeCache.txt"))]
        files += [os.path.relpath(os.path.join(folder, n), source) for n in names
                  if not ignored(patterns, n, at_top, False)]
    return sorted(files)
