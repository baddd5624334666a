#!/usr/bin/python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The REUSE linter over the committed tree.

Debian 12's reuse (1.1) reads a .reuse/dep5 file, not REUSE.toml, so the
check lints a copy of the tracked files with REUSE.toml's annotations written
out as dep5 stanzas. Each annotation names its files alone, so neither
format's rule for overlaps comes into play.

    reuse_lint.py SOURCE_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import tomllib

from tracked import source_files

source = sys.argv[1]
tracked = source_files(source)
with open(os.path.join(source, "REUSE.toml"), "rb") as f:
    annotations = tomllib.load(f)["annotations"]

with tempfile.TemporaryDirectory(prefix="reuse-") as copy:
    for path in tracked:
        if not os.path.lexists(os.path.join(source, path)):
            continue  # deleted in the work tree, not yet committed
        os.makedirs(os.path.join(copy, os.path.dirname(path)), exist_ok=True)
        shutil.copy2(os.path.join(source, path), os.path.join(copy, path), follow_symlinks=False)
    stanzas = ["Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"]
    for a in annotations:
        paths = [a["path"]] if isinstance(a["path"], str) else a["path"]
        stanzas.append("Files: " + " ".join(p.replace("**", "*") for p in paths) + "\n"
                       f"Copyright: {a['SPDX-FileCopyrightText']}\n"
                       f"License: {a['SPDX-License-Identifier']}\n")
    os.makedirs(os.path.join(copy, ".reuse"))
    with open(os.path.join(copy, ".reuse", "dep5"), "w") as f:
        f.write("\n".join(stanzas))
    sys.exit(subprocess.run(["reuse", "--root", copy, "lint"]).returncode)
