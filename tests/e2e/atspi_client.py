#!/usr/bin/python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""A screen reader's view of a program, through Debian's pyatspi on the
session's accessibility bus (run with /usr/bin/python3).

  atspi_client.py tree PID             every object: one JSON line each
  atspi_client.py act PID NAME ACTION  does the named object's action
"""

import json
import sys

import pyatspi


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node, path=()):
    yield path, node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, path + (i,))


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def value(node):
    try:
        return node.queryValue().currentValue
    except NotImplementedError:
        return None


def main(argv):
    app = application(int(argv[2]))
    if app is None:
        return 2
    if argv[1] == "tree":
        for path, node in walk(app):
            states = node.getState()
            print(json.dumps({
                "depth": len(path), "role": node.getRoleName(), "name": node.name,
                "description": node.description, "value": value(node), "actions": actions(node),
                "states": sorted(pyatspi.stateToString(s) for s in states.getStates()),
            }, ensure_ascii=False))
        return 0
    if argv[1] == "act":
        for _, node in walk(app):
            if node.name == argv[3]:
                action = node.queryAction()
                for i in range(action.nActions):
                    if action.getName(i) == argv[4]:
                        return 0 if action.doAction(i) else 1
        return 3
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
