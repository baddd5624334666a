# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""What the desktop scenarios do on a desktop's session bus beyond gdbus's
reach: calls that pass a file descriptor or need the caller to own a name,
and a notification-area host that lives as long as the desktop. Run by
Debian's /usr/bin/python3, which sees python3-gi:

  session_bus.py gnome-screenshot PNG    the GNOME Shell's picture of the screen
  session_bus.py kwin-screenshot RAW     KWin's; prints its width, height and format as JSON
  session_bus.py tray-host               a StatusNotifierHost until terminated
  session_bus.py tray-watcher            a StatusNotifierWatcher with a host, until terminated;
                                         says "watching" once it has the name
  session_bus.py menu SERVICE            a StatusNotifierItem's menu entries as JSON
  session_bus.py properties-changed PATH every PropertiesChanged of the object at PATH, one JSON
                                         line each, heard by dbus-python, until terminated
"""

import json
import os
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402


def call(bus, service, path, interface, method, arguments=None, reply=None):
    return bus.call_sync(service, path, interface, method, arguments, reply, 0, -1, None)


def own(bus, name):
    call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
         GLib.Variant("(su)", (name, 0)))


def gnome_screenshot(bus, path):
    # The shell answers only a caller that owns org.gnome.Screenshot.
    own(bus, "org.gnome.Screenshot")
    call(bus, "org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot",
         "Screenshot", GLib.Variant("(bbs)", (False, False, path)))


def kwin_screenshot(bus, path):
    """The whole workspace as KWin composites it, written raw to `path`: KWin
    writes the pixels into a pipe and answers with their layout."""
    reading, writing = os.pipe()
    sent = Gio.UnixFDList.new_from_array([writing])
    answer, _ = bus.call_with_unix_fd_list_sync(
        "org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureWorkspace",
        GLib.Variant("(a{sv}h)", ({}, 0)), GLib.VariantType("(a{sv})"), 0, -1, sent, None)
    # Our end closed now, KWin's when it has written everything: then the
    # pipe ends.
    for fd in sent.steal_fds():
        os.close(fd)
    with open(path, "wb") as out, os.fdopen(reading, "rb") as pixels:
        while True:
            chunk = pixels.read(1 << 20)
            if not chunk:
                break
            out.write(chunk)
    layout = answer.unpack()[0]
    print(json.dumps({key: layout[key] for key in ("width", "height", "stride", "format")}))


def tray_host(bus):
    """What a desktop's notification area is on the bus: a host, registered
    with the watcher. Programs offer their items only once a host is there."""
    name = f"org.kde.StatusNotifierHost-{os.getpid()}"
    own(bus, name)
    call(bus, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
         "RegisterStatusNotifierHost", GLib.Variant("(s)", (name,)))
    GLib.MainLoop().run()


WATCHER = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
</interface></node>"""


def tray_watcher(bus):
    """A notification area as a program sees it on a bus without a desktop:
    a watcher that has a host. Programs then offer their items and menus."""
    items = []

    def called(connection, sender, path, interface, method, arguments, invocation):
        if method == "RegisterStatusNotifierItem":
            items.append(arguments.unpack()[0])
        invocation.return_value(None)

    def read(connection, sender, path, interface, name):
        return {"IsStatusNotifierHostRegistered": GLib.Variant("b", True), "ProtocolVersion": GLib.Variant("i", 0),
                "RegisteredStatusNotifierItems": GLib.Variant("as", items)}[name]

    bus.register_object("/StatusNotifierWatcher", Gio.DBusNodeInfo.new_for_xml(WATCHER).interfaces[0], called, read,
                        None)
    own(bus, "org.kde.StatusNotifierWatcher")
    print(json.dumps("watching"), flush=True)
    GLib.MainLoop().run()


def menu(bus, service):
    """The entries of the item's menu as a tray would show them: label,
    whether it can be chosen, and its check mark where it has one."""
    item = ("org.kde.StatusNotifierItem", "Menu")
    path = call(bus, service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                GLib.Variant("(ss)", item)).unpack()[0]
    _, (_, _, children) = call(bus, service, path, "com.canonical.dbusmenu", "GetLayout",
                               GLib.Variant("(iias)", (0, -1, []))).unpack()
    entries = []
    for _, properties, _ in children:
        if properties.get("type") == "separator":
            continue
        entry = {"label": properties.get("label", ""), "enabled": properties.get("enabled", True)}
        if "toggle-type" in properties:
            entry["checked"] = properties.get("toggle-state") == 1
        entries.append(entry)
    print(json.dumps(entries))


def plain(value):
    """A dbus-python value as JSON has it (dbus.Boolean is an int)."""
    import dbus
    return (bool(value) if isinstance(value, dbus.Boolean) else [str(v) for v in value]
            if isinstance(value, dbus.Array) else str(value) if isinstance(value, str) else int(value))


def properties_changed(path):
    """A client following an object's properties as dbus-python programs
    do: a signal receiver on GLib's main loop. Says "listening" once its
    match is on the bus."""
    import dbus
    import dbus.mainloop.glib
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()

    def heard(interface, changed, invalidated):
        print(json.dumps({"interface": str(interface), "changed": {str(k): plain(v) for k, v in changed.items()},
                          "invalidated": [str(name) for name in invalidated]}), flush=True)

    bus.add_signal_receiver(heard, signal_name="PropertiesChanged", dbus_interface="org.freedesktop.DBus.Properties",
                            path=path)
    print(json.dumps("listening"), flush=True)
    GLib.MainLoop().run()


def main():
    command, *arguments = sys.argv[1:]
    if command == "properties-changed":
        properties_changed(*arguments)
        return
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    {"gnome-screenshot": gnome_screenshot, "kwin-screenshot": kwin_screenshot, "tray-host": tray_host,
     "tray-watcher": tray_watcher, "menu": menu}[command](bus, *arguments)


if __name__ == "__main__":
    main()
