# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""What the simulated cameras receive: requests.log, read back, and the
requests each camera operation must put on the wire.

One line per request, appended by the simulated bus:
  <camera> ks-set <set> <id> value1=<v> value2=<v> flags=0x<f> len=<n>
  <camera> set <set> <id> value=<v> flags=0x<f>
  <camera> get <set> <id>
  <camera> get-range <set> <id>
"""

import os
import re

from waiting import wait_until

CAMERA_CONTROL = "camera-control"
PROC_AMP = "proc-amp"

# Flags words of a request.
ABSOLUTE, AUTO, MANUAL, RELATIVE = 0x0, 0x1, 0x2, 0x10

_LINE = re.compile(
    r"^(?P<camera>\S+) (?P<kind>ks-set|set|get-range|get) (?P<set>camera-control|proc-amp) (?P<id>-?\d+)"
    r"(?: value1=(?P<value1>-?\d+) value2=(?P<value2>-?\d+) flags=0x(?P<ksflags>[0-9a-f]+) len=(?P<len>\d+)"
    r"| value=(?P<value>-?\d+) flags=0x(?P<flags>[0-9a-f]+))?$")


class Request:
    """One line of requests.log."""

    def __init__(self, line):
        self.line = line
        match = _LINE.match(line)
        if not match:
            raise ValueError(f"requests.log has a line of unknown shape: {line!r}")
        self.camera = match["camera"]
        self.kind = match["kind"]
        self.set = match["set"]
        self.id = int(match["id"])
        self.value = self.flags = self.length = None
        if match["value1"] is not None:
            self.value = int(match["value1"])
            self.flags = int(match["ksflags"], 16)
            self.length = int(match["len"])
        elif match["value"] is not None:
            self.value = int(match["value"])
            self.flags = int(match["flags"], 16)

    @property
    def is_command(self):
        """A request that makes the camera do something (not a read)."""
        return self.kind in ("ks-set", "set")

    def __repr__(self):
        return self.line


class Op:
    """A camera operation as the camera sees it: one 40-byte KS set request."""

    def __init__(self, name, property_set, property_id, value, flags):
        self.name = name
        self.set, self.id, self.value, self.flags = property_set, property_id, value, flags

    def matches(self, request, camera=None):
        return (request.kind == "ks-set" and request.length == 40
                and request.set == self.set and request.id == self.id
                and (self.value is None or request.value == self.value)
                and request.flags == self.flags
                and (camera is None or request.camera == camera))

    def __repr__(self):
        return self.name


def _relative(name, property_id, value):
    return Op(name, CAMERA_CONTROL, property_id, value, RELATIVE)


# Motion. A stop is the zero move of its axis: PanLeftStop and PanRightStop
# are one request, and so are TiltUpStop and TiltDownStop.
def PanLeft(speed): return _relative(f"PanLeft({speed})", 10, -speed)
def PanRight(speed): return _relative(f"PanRight({speed})", 10, speed)
def TiltUp(speed): return _relative(f"TiltUp({speed})", 11, speed)
def TiltDown(speed): return _relative(f"TiltDown({speed})", 11, -speed)


PanStop = _relative("PanStop", 10, 0)
TiltStop = _relative("TiltStop", 11, 0)
ZoomIn = _relative("ZoomIn", 13, 1)
ZoomOut = _relative("ZoomOut", 13, -1)
ZoomStop = _relative("ZoomStop", 13, 0)
FocusNear = _relative("FocusNear", 16, 1)
FocusFar = _relative("FocusFar", 16, -1)
FocusStop = _relative("FocusStop", 16, 0)

# The camera's own functions: command codes in the ROLL property (2).
MirrorOn = _relative("MirrorOn", 2, 0)
MirrorOff = _relative("MirrorOff", 2, 1)
FlipOn = _relative("FlipOn", 2, 2)
FlipOff = _relative("FlipOff", 2, 3)
MuteOff = _relative("MuteOff", 2, 4)
MuteOn = _relative("MuteOn", 2, 5)
FocusAuto = _relative("FocusAuto", 2, 6)
FocusManual = _relative("FocusManual", 2, 7)
Home = _relative("Home", 2, 8)
FramingAuto = _relative("FramingAuto", 2, 16)
FramingManual = _relative("FramingManual", 2, 17)
def PresetSet(n): return Op(f"PresetSet({n})", CAMERA_CONTROL, 2, 20 + n, ABSOLUTE)
def PresetClear(n): return Op(f"PresetClear({n})", CAMERA_CONTROL, 2, 60 + n, ABSOLUTE)
def PresetCall(n): return Op(f"PresetCall({n})", CAMERA_CONTROL, 2, 100 + n, ABSOLUTE)


# A camera of another make has no command channel: its positions go to its
# absolute controls (pan 0, tilt 1, zoom 3, focus 6).
def PanTo(value): return Op(f"PanTo({value})", CAMERA_CONTROL, 0, value, ABSOLUTE)
def TiltTo(value): return Op(f"TiltTo({value})", CAMERA_CONTROL, 1, value, ABSOLUTE)
def ZoomTo(value): return Op(f"ZoomTo({value})", CAMERA_CONTROL, 3, value, ABSOLUTE)
def FocusTo(value): return Op(f"FocusTo({value})", CAMERA_CONTROL, 6, value, ABSOLUTE)


# Picture settings; a value of None matches any value.
def _picture(name, property_id):
    return lambda value=None: Op(f"{name}({'any' if value is None else value})", PROC_AMP,
                                 property_id, value, MANUAL)


SetBrightness = _picture("SetBrightness", 0)
SetContrast = _picture("SetContrast", 1)
SetSaturation = _picture("SetSaturation", 3)
SetSharpness = _picture("SetSharpness", 4)
SetGamma = _picture("SetGamma", 5)
SetBacklight = _picture("SetBacklight", 8)
SetPowerLineFrequency = _picture("SetPowerLineFrequency", 13)
def SetWhiteBalance(value): return Op(f"SetWhiteBalance({value})", PROC_AMP, 7, value, MANUAL if value else AUTO)
def SetWhiteBalanceMode(mode): return Op(f"SetWhiteBalanceMode({mode})", PROC_AMP, 7, None, MANUAL if mode else AUTO)


class RequestLog:
    """requests.log of one simulated bus, read as it grows."""

    def __init__(self, bus_dir):
        self.path = os.path.join(bus_dir, "requests.log")

    def all(self):
        try:
            with open(self.path, encoding="utf-8") as log:
                text = log.read()
        except FileNotFoundError:
            return []
        # A line is written whole, but read only complete ones all the same.
        return [Request(line) for line in text.split("\n")[:-1]]

    def mark(self):
        """A place in the log: what follows it is what happened since."""
        return len(self.all())

    def since(self, mark):
        return self.all()[mark:]

    def commands_since(self, mark):
        return [r for r in self.since(mark) if r.is_command]

    def wait_for(self, op, since, camera=None, count=1, what=None):
        """Waits until `op` has been received `count` times after `since`;
        returns the requests from `since` up to and including that one."""
        def arrived():
            seen = 0
            requests = self.since(since)
            for index, request in enumerate(requests):
                if op.matches(request, camera):
                    seen += 1
                    if seen == count:
                        return requests[:index + 1]
            return None
        return wait_until(arrived, what or f"{op} ({count}x) in requests.log")

    def wait_for_reads(self, camera, since, what=None):
        """Waits until `camera` has been opened and its settings loaded: the
        last of the reads that opening a camera makes."""
        def loaded():
            requests = self.since(since)
            reads = [r for r in requests if r.camera == camera and r.kind == "get"]
            return requests if len(reads) >= 12 else None  # eleven settings, then the white-balance pair
        return wait_until(loaded, what or f"{camera} to be opened and its settings read")
