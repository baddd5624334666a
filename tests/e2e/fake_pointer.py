# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""A pointer for a headless KWin, which has no input device of its own.

KWin offers org_kde_kwin_fake_input, the Wayland protocol through which KDE
Connect drives a desktop remotely: events sent through it enter KWin's input
handling like a mouse's, so KWin decides which window gets them, Wayland and
XWayland windows alike, and interactive moves follow them. KWin grants it to
any client when it runs with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.

The client is libwayland-client driven through ctypes (no compiled helper,
no development package): the protocol's requests are described here as
wayland-scanner would generate them. Every request is followed by a round
trip, so KWin has handled it when a method returns.
"""

import ctypes
from ctypes import CFUNCTYPE, POINTER, Structure, Union, c_char_p, c_int, c_int32, c_uint32, c_void_p

# linux/input-event-codes.h, by X button number.
_BUTTONS = {1: 0x110, 2: 0x112, 3: 0x111}  # BTN_LEFT, BTN_MIDDLE, BTN_RIGHT

_INTERFACE = b"org_kde_kwin_fake_input"
_VERSION = 3  # pointer_motion_absolute came with 3
# The requests in protocol order (opcode = index); a leading digit is the
# version that brought the request.
_REQUESTS = ((b"authenticate", b"ss"), (b"pointer_motion", b"ff"), (b"button", b"uu"), (b"axis", b"uf"),
             (b"touch_down", b"2uff"), (b"touch_motion", b"2uff"), (b"touch_up", b"2u"),
             (b"touch_cancel", b"2"), (b"touch_frame", b"2"), (b"pointer_motion_absolute", b"3ff"))
_AUTHENTICATE, _BUTTON, _MOTION_ABSOLUTE = 0, 2, 9


class _Message(Structure):
    _fields_ = [("name", c_char_p), ("signature", c_char_p), ("types", POINTER(c_void_p))]


class _Interface(Structure):
    _fields_ = [("name", c_char_p), ("version", c_int), ("method_count", c_int), ("methods", POINTER(_Message)),
                ("event_count", c_int), ("events", POINTER(_Message))]


class _Argument(Union):  # union wl_argument
    _fields_ = [("i", c_int32), ("u", c_uint32), ("s", c_char_p), ("o", c_void_p)]


_GLOBAL = CFUNCTYPE(None, c_void_p, c_void_p, c_uint32, c_char_p, c_uint32)
_GLOBAL_REMOVE = CFUNCTYPE(None, c_void_p, c_void_p, c_uint32)

_no_types = (c_void_p * 4)()  # no request here takes an object argument
_methods = (_Message * len(_REQUESTS))(*(_Message(name, signature, _no_types) for name, signature in _REQUESTS))
_fake_input_interface = _Interface(_INTERFACE, _VERSION, len(_REQUESTS), _methods, 0, None)

_client = None


def _library():
    global _client
    if _client is None:
        lib = ctypes.CDLL("libwayland-client.so.0")
        lib.wl_display_connect.restype = c_void_p
        lib.wl_display_connect.argtypes = [c_char_p]
        lib.wl_display_disconnect.argtypes = [c_void_p]
        lib.wl_display_roundtrip.argtypes = [c_void_p]
        lib.wl_proxy_add_listener.argtypes = [c_void_p, c_void_p, c_void_p]
        lib.wl_proxy_marshal_array.argtypes = [c_void_p, c_uint32, POINTER(_Argument)]
        lib.wl_proxy_marshal_array_constructor.restype = c_void_p
        lib.wl_proxy_marshal_array_constructor.argtypes = [c_void_p, c_uint32, POINTER(_Argument), c_void_p]
        lib.wl_proxy_marshal_array_constructor_versioned.restype = c_void_p
        lib.wl_proxy_marshal_array_constructor_versioned.argtypes = [c_void_p, c_uint32, POINTER(_Argument),
                                                                     c_void_p, c_uint32]
        _client = lib
    return _client


class FakePointer:
    """A mouse on the KWin listening at `socket` (an absolute path)."""

    def __init__(self, socket):
        lib = _library()
        self._lib = lib
        self._display = lib.wl_display_connect(socket.encode())
        if not self._display:
            raise RuntimeError(f"cannot reach the compositor at {socket}")
        offers = {}

        def announced(_data, _registry, name, interface, version):
            if interface == _INTERFACE:
                offers["name"], offers["version"] = name, version
        # Kept on self: libwayland calls them for as long as the connection lives.
        self._callbacks = (_GLOBAL(announced), _GLOBAL_REMOVE(lambda *_: None))
        self._listener = (c_void_p * 2)(*(ctypes.cast(c, c_void_p) for c in self._callbacks))
        registry_interface = c_void_p.in_dll(lib, "wl_registry_interface")
        # wl_display.get_registry (opcode 1), then the globals it announces.
        self._registry = lib.wl_proxy_marshal_array_constructor(self._display, 1, (_Argument * 1)(),
                                                               ctypes.addressof(registry_interface))
        lib.wl_proxy_add_listener(self._registry, ctypes.addressof(self._listener), None)
        self._roundtrip()
        if offers.get("version", 0) < _VERSION:
            self.close()
            raise RuntimeError(f"the compositor offers no {_INTERFACE.decode()} of version {_VERSION}")
        # wl_registry.bind (opcode 0): name, interface, version, new id.
        bind = (_Argument * 4)()
        bind[0].u, bind[1].s, bind[2].u, bind[3].o = offers["name"], _INTERFACE, _VERSION, None
        self._device = lib.wl_proxy_marshal_array_constructor_versioned(
            self._registry, 0, bind, ctypes.addressof(_fake_input_interface), _VERSION)
        self._request(_AUTHENTICATE, ("s", b"ptzdeck tests"), ("s", b"a person's mouse"))

    def move_to(self, x, y):
        # wl_fixed_t: 24.8 fixed point.
        self._request(_MOTION_ABSOLUTE, ("i", round(x * 256)), ("i", round(y * 256)))

    def press(self, button=1):
        self._request(_BUTTON, ("u", _BUTTONS[button]), ("u", 1))

    def release(self, button=1):
        self._request(_BUTTON, ("u", _BUTTONS[button]), ("u", 0))

    def close(self):
        if self._display:
            self._lib.wl_display_disconnect(self._display)
            self._display = None

    def _request(self, opcode, *arguments):
        values = (_Argument * max(1, len(arguments)))()
        for value, (kind, given) in zip(values, arguments):
            setattr(value, kind, given)
        self._lib.wl_proxy_marshal_array(self._device, opcode, values)
        self._roundtrip()

    def _roundtrip(self):
        if self._lib.wl_display_roundtrip(self._display) < 0:
            raise RuntimeError("the compositor closed the connection")
