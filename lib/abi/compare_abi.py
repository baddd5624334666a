#!/usr/bin/env python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later
"""Compares libLumetra's binary interface with its committed record, through
libabigail: abidw reads each binary's interface, abidiff compares it with the
record and says what changed; this script only applies the policy.

    compare_abi.py --headers DIR --record BINARY RECORD [--record ...] [--update]

Without --update it fails when an interface differs from its record. With
--update it rewrites the records, but refuses when the change removes or
changes anything recorded (only additions may be recorded) unless the
SONAME's version changed. The comment after a record's first line is kept.
"""

import argparse
import collections
import os
import re
import subprocess
import sys
import tempfile


def abidw_options(headers):
    return [
        # The binary's path and the compilation directories are the build tree's.
        "--no-corpus-path", "--no-comp-dir-path",
        # What the library imports and needs (the C++ runtime, the sanitizers'
        # runtimes in their build) is not what it offers.
        "--drop-undefined-syms", "--no-elf-needed",
        # The public types that exported functions reach, not the library's own.
        "--exported-interfaces-only", "--headers-dir", headers, "--drop-private-types",
        # Ids from each type's content: a new type does not renumber the others.
        "--type-id-style", "hash",
    ]


def run(*command):
    try:
        return subprocess.run(command, capture_output=True, text=True)
    except FileNotFoundError:
        sys.exit(f"{command[0]} is missing: scripts/bootstrap installs it (abigail-tools)")


def abidw(binary, headers, out, locations):
    # File names without the build tree's directories; a record without
    # source lines stays the same while the code around it moves, and the
    # current build's lines name where a reported change is.
    where = ["--short-locs"] + ([] if locations else ["--no-show-locs"])
    done = run("abidw", *abidw_options(headers), *where, binary, "--out-file", out)
    if done.returncode != 0 or done.stderr:
        sys.exit(f"abidw {binary} failed:\n{done.stderr}")
    with open(out) as f:
        text = f.read()
    if "<abi-instr" not in text:
        sys.exit(f"{binary} has no debug information to read its interface from: "
                 "build with CMAKE_BUILD_TYPE RelWithDebInfo or Debug")
    return text


def abidiff(record, current, *options):
    """(exit status, report). Status bits: 4 a change, 8 an incompatible one."""
    done = run("abidiff", *options, record, current)
    # libxml2 reports a record it cannot fully read on stderr and abidiff
    # still exits 0: nothing on stderr is trusted as a match.
    if done.returncode & 3 or done.stderr:
        sys.exit(f"abidiff {record} {current} failed ({done.returncode}):\n{done.stderr}{done.stdout}")
    return done.returncode, done.stdout


def soname(text):
    found = re.match(r"<abi-corpus [^>]*?soname='([^']*)'", text)
    return found.group(1) if found else None


def leading_comment(text):
    """The comment lines right after the record's first line."""
    lines = text.splitlines()[1:]
    if not lines or not lines[0].lstrip().startswith("<!--"):
        return []
    end = next(i for i, line in enumerate(lines) if "-->" in line)
    return lines[:end + 1]


def compare(record, current):
    """'same', 'added' (only additions) or 'changed', and abidiff's reports."""
    status, report = abidiff(record, current)
    if status & 8:
        return "changed", [report]
    # Without the additions, anything left is a change.
    changed, changes = abidiff(record, current, "--no-added-syms")
    if changed:
        return "changed", [changes]
    if status:
        return "added", [report]
    # abidiff leaves out by default what it deems harmless, such as a new
    # enumerator; the record must still hold it.
    harmless, harmless_report = abidiff(record, current, "--harmless")
    return ("added", [harmless_report]) if harmless else ("same", [])


def indented(report_lists):
    return "".join(f"  {line}\n" if line else "\n"
                   for reports in report_lists for report in reports for line in report.splitlines())


# One binary against its record: the SONAME it names, and what compare() found.
Record = collections.namedtuple("Record", "binary path recorded version state reports")
# Where the policy is written down.
RULES = "lib/abi/Lumetra.abixml"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--headers", required=True, help="the directory of the public headers")
    parser.add_argument("--record", nargs=2, action="append", required=True, metavar=("BINARY", "RECORD"))
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="lumetra-abi-") as work:
        records = []
        for n, (binary, path) in enumerate(args.record):
            current = os.path.join(work, f"{n}.abixml")
            text = abidw(binary, args.headers, current, locations=True)
            with open(path) as f:
                recorded = f.read()
            version = soname(text)
            state, reports = ("version", []) if version != soname(recorded) else compare(path, current)
            records.append(Record(binary, path, recorded, version, state, reports))

        library = next((r.version for r in records if r.version), "the library")
        new_version = any(r.state == "version" for r in records)
        changed = [r for r in records if r.state == "changed"]
        added = [r for r in records if r.state == "added"]
        if changed and not new_version:
            print(f"The interface of {library} changed or lost:")
            print(indented(r.reports for r in changed + added), end="")
            print("Programs built against the library would break. Undo the change, or raise "
                  "LUMETRA_SOVERSION in lib/CMakeLists.txt and then record the new interface "
                  f"(see the comment in {RULES}).")
            return 1
        if args.update:
            for r in records:
                if r.state != "same":
                    lines = abidw(r.binary, args.headers, os.path.join(work, "record.abixml"),
                                  locations=False).splitlines()
                    with open(r.path, "w") as f:
                        f.write("\n".join(lines[:1] + leading_comment(r.recorded) + lines[1:]) + "\n")
            if new_version:
                print(f"recorded the interface of {library} for the new SOVERSION")
            elif added:
                print(f"recorded the additions to the interface of {library}")
            else:
                print(f"{library}: the records already hold the interface")
            return 0
        if new_version:
            print(f"The library is now {library}, the baseline records another version: "
                  f"record the new interface (see the comment in {RULES}).")
            return 1
        if added:
            print("New public interface that the baseline does not record:")
            print(indented(r.reports for r in added), end="")
            print(f"If it is meant to be public, record it (see the comment in {RULES}).")
            return 1
        print(f"{library}: the interface matches the baseline ({len(records)} records)")
        return 0


if __name__ == "__main__":
    sys.exit(main())
