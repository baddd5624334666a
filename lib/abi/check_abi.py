#!/usr/bin/env python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: LGPL-2.1-or-later

"""Compares libLumetra's binary interface with the committed baseline.

    check_abi.py --library LIB --probe OBJ --headers DIR --baseline FILE [--update]

The interface is: the SONAME's version; every exported symbol (objects with
their size); and, from the probe object's debug information, the size,
member offsets and enumerator values of every type the headers under DIR
define, and BaseDevice's virtual slots in order. Without --update it fails
when the interface differs from the baseline; --update rewrites the
baseline, but refuses to drop or change anything the baseline holds unless
the SOVERSION was raised. The baseline's leading comment block is kept.
"""

import argparse
import os
import re
import subprocess
import sys


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def soversion(library):
    for line in run("readelf", "-d", "-W", library).splitlines():
        found = re.search(r"\(SONAME\)\s+Library soname: \[(.+)\]", line)
        if found:
            version = re.fullmatch(r".+\.so\.(\d+)", found.group(1))
            if not version:
                sys.exit(f"{library}: SONAME {found.group(1)} carries no version")
            return version.group(1)
    sys.exit(f"{library}: no SONAME")


def exported_symbols(library):
    """'function NAME' and 'object NAME SIZE' for each defined dynamic symbol."""
    facts = []
    for line in run("readelf", "--dyn-syms", "-W", library).splitlines():
        fields = line.split()
        # Num: Value Size Type Bind Vis Ndx Name
        if len(fields) < 8 or not fields[0].rstrip(":").isdigit() or fields[6] == "UND":
            continue
        kind, size, name = fields[3], int(fields[2], 0), fields[7].split("@")[0]
        if kind == "FUNC":
            facts.append(f"function {name}")
        elif kind in ("OBJECT", "TLS"):
            facts.append(f"object {name} {size}")
        elif kind not in ("NOTYPE", "SECTION", "FILE"):
            facts.append(f"{kind.lower()} {name}")
    return facts


def attribute_value(text):
    """The value of a readelf attribute, without its form and string offset:
    "(strp) (offset: 0x1a4f): Open" -> "Open"."""
    text = re.sub(r"^\(\w+\)\s*", "", text.strip())
    return re.sub(r"^\(offset: 0x[0-9a-f]+\):\s*", "", text)


def read_dies(obj):
    """The debug information entries of `obj` as (depth, tag, attributes)."""
    dies = []
    die_line = re.compile(r"^\s*<(\d+)><[0-9a-f]+>: Abbrev Number: \d+ \((DW_TAG_\w+)\)")
    attr_line = re.compile(r"^\s*<[0-9a-f]+>\s+(DW_AT_\w+)\s*:\s*(.*)$")
    for line in run("readelf", "--debug-dump=info", "-W", obj).splitlines():
        if m := die_line.match(line):
            dies.append((int(m.group(1)), m.group(2), {}))
        elif (m := attr_line.match(line)) and dies:
            dies[-1][2][m.group(1)] = attribute_value(m.group(2))
    return dies


def source_files(obj):
    """DW_AT_decl_file numbers -> paths, from the DWARF 5 line table."""
    directories, files, table = {}, {}, None
    entry = re.compile(r"^\s*(\d+)\s+(.*)$")
    for line in run("readelf", "--debug-dump=line", "-W", obj).splitlines():
        if "The Directory Table" in line:
            table = directories
        elif "The File Name Table" in line:
            table = files
        elif not line.strip() or "Line Number Statements" in line:
            table = None if table is files else table
        elif table is not None and (m := entry.match(line)):
            table[int(m.group(1))] = m.group(2)
    comp_dir = attribute_value(directories.get(0, ""))
    paths = {}
    for number, rest in files.items():
        # "(udata) 12 (line_strp) (offset: 0x183): BaseDevice.h"
        m = re.match(r"\(\w+\)\s+(\d+)\s+(.*)$", rest)
        if m:
            directory = attribute_value(directories.get(int(m.group(1)), ""))
            paths[number] = os.path.join(comp_dir, directory, attribute_value(m.group(2)))
    return paths


def public_types(obj, header_dir):
    """Layout facts of the types the public headers (under header_dir) define."""
    dies = read_dies(obj)
    files = source_files(obj)
    header_dir = os.path.realpath(header_dir) + os.sep

    def public(attrs):
        path = files.get(int(attrs.get("DW_AT_decl_file", "-1"), 0), "")
        return os.path.realpath(path).startswith(header_dir)

    facts = []
    i = 0
    while i < len(dies):
        depth, tag, attrs = dies[i]
        i += 1
        kind = {"DW_TAG_structure_type": "struct", "DW_TAG_class_type": "struct",
                "DW_TAG_union_type": "union", "DW_TAG_enumeration_type": "enum"}.get(tag)
        name = attrs.get("DW_AT_name")
        if kind is None or not name or "DW_AT_declaration" in attrs or not public(attrs):
            continue
        facts.append(f"type {name} size {int(attrs.get('DW_AT_byte_size', '0'), 0)}")
        while i < len(dies) and dies[i][0] > depth:
            child_depth, child_tag, child = dies[i]
            i += 1
            if child_depth != depth + 1:
                continue
            if child_tag == "DW_TAG_member" and "DW_AT_data_member_location" in child:
                facts.append(f"member {name}::{child.get('DW_AT_name', '?')} "
                             f"at {int(child['DW_AT_data_member_location'], 0)}")
            elif child_tag == "DW_TAG_inheritance":
                facts.append(f"base {name} at {int(child.get('DW_AT_data_member_location', '0'), 0)}")
            elif child_tag == "DW_TAG_enumerator":
                facts.append(f"enumerator {name}::{child['DW_AT_name']} = {int(child['DW_AT_const_value'], 0)}")
            elif child_tag == "DW_TAG_subprogram" and "DW_AT_vtable_elem_location" in child:
                slot = re.search(r"DW_OP_constu: (\d+)", child["DW_AT_vtable_elem_location"])
                linkage = child.get("DW_AT_linkage_name") or child.get("DW_AT_MIPS_linkage_name")
                if not slot or not linkage:
                    sys.exit(f"{obj}: cannot read a virtual slot of {name}: {child}")
                facts.append(f"slot {name}[{int(slot.group(1))}] {linkage}")
    if not any(f.startswith("slot BaseDevice[") for f in facts):
        sys.exit(f"{obj}: no virtual slots of BaseDevice in its debug information")
    return facts


def current_interface(library, probe, header_dir):
    return ([f"soversion {soversion(library)}"] + public_types(probe, header_dir)
            + sorted(exported_symbols(library)))


def read_baseline(path):
    """(leading comment lines, facts) of the baseline file."""
    comment, facts = [], []
    with open(path) as f:
        for line in f:
            text = line.split("#", 1)[0].strip() if not line.startswith("#") else ""
            if text:
                facts.append(re.sub(r"\s+", " ", text))
            elif line.startswith("#") and not facts:
                comment.append(line.rstrip("\n"))
    return comment, facts


def symbol_of(fact):
    words = fact.split()
    if words[0] in ("function", "object"):
        return words[1]
    if words[0] == "slot":
        return words[2]
    return None


def annotated(facts):
    """Each fact, with the demangled name of its symbol as a comment."""
    symbols = [s for s in map(symbol_of, facts) if s]
    plain = dict(zip(symbols, run("c++filt", *symbols).splitlines())) if symbols else {}
    lines = []
    for fact in facts:
        symbol = symbol_of(fact)
        readable = plain.get(symbol, symbol)
        lines.append(f"{fact}  # {readable}" if symbol and readable != symbol else fact)
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--headers", required=True, help="the directory of the public headers")
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args()

    current = current_interface(args.library, args.probe, args.headers)
    comment, baseline = read_baseline(args.baseline)
    same_soversion = current[0] in baseline
    removed = [f for f in baseline if f not in current]
    added = [f for f in current if f not in baseline]

    if same_soversion and removed:
        print(f"The interface of libLumetra.so.{current[0].split()[1]} changed or lost:")
        print("".join(f"  - {f}\n" for f in removed), end="")
        if added:
            print("and now has:")
            print("".join(f"  + {f}\n" for f in added), end="")
        print("Programs built against the library would break. Undo the change, or raise "
              "LUMETRA_SOVERSION in lib/CMakeLists.txt and then record the new interface "
              "(see the comment in the baseline).")
        return 1
    if args.update:
        with open(args.baseline, "w") as f:
            f.write("\n".join(comment + [""] + annotated(current)) + "\n")
        print(f"recorded {len(current)} facts in {args.baseline}"
              + (f" ({len(added)} new)" if same_soversion else " for the new SOVERSION"))
        return 0
    if not same_soversion:
        print(f"The library is now libLumetra.so.{current[0].split()[1]}, the baseline "
              f"records another version: record the new interface (see the comment in the baseline).")
        return 1
    if added:
        print("New public interface that the baseline does not record:")
        print("".join(f"  + {f}\n" for f in added), end="")
        print("If it is meant to be public, record it (see the comment in the baseline).")
        return 1
    print(f"libLumetra.so.{current[0].split()[1]}: {len(current)} facts match the baseline")
    return 0


if __name__ == "__main__":
    sys.exit(main())
