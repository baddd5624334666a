# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Where things are on the panel and what their faces look like, as a person
sees them: rectangles relative to the window's top-left corner, colours of
the artwork."""

WINDOW_SIZE = (653, 436)
PANE_X = 326  # the settings pane, right of the 326-pixel control face
DIALOG_SIZE = (326, 187)
DIALOG_OFFSET = (163, 93)  # a warning's top-left, from the window's top-left

CONTROLS = {
    "mute": (184, 12, 20, 13),
    "top": (218, 10, 17, 17),
    "min": (248, 6, 25, 20),
    "close": (280, 6, 25, 20),
    "joystick": (41, 52, 116, 116),
    "zoom": (226, 50, 22, 120),
    "focus": (278, 50, 22, 120),
    "setting": (295, 352, 21, 21),
    # Panel background with no control on it: where a hand grabs the window.
    "background": (6, 200, 14, 130),
}

# The 3 x 6 key grid, row by row.
_KEY_ROWS = [("af", "ai", "push"), ("1", "2", "3"), ("4", "5", "6"), ("7", "8", "9"),
             ("set", "0", "clear"), ("flip", "home", "mirror")]
for row, names in enumerate(_KEY_ROWS):
    for column, name in enumerate(names):
        CONTROLS[name] = ((33, 129, 224)[column], (198, 226, 255, 284, 312, 342)[row], 70, 26)

# Camera tabs; neighbours overlap by a pixel or two.
TABS = {1: (-1, 386, 74, 52), 2: (71, 386, 63, 52), 3: (132, 386, 63, 52),
        4: (193, 386, 63, 52), 5: (254, 386, 74, 52)}
for number, rect in TABS.items():
    CONTROLS[f"cam{number}"] = rect

# The settings pane: seven slider rows, the anti-flicker combo, two buttons.
PANE_ROWS = ("blc", "gamma", "contrast", "saturation", "brightness", "sharpness", "wb")
for row, name in enumerate(PANE_ROWS):
    CONTROLS[f"slider_{name}"] = (PANE_X + 95, (32, 74, 117, 160, 202, 246, 289)[row], 149, 22)
    CONTROLS[f"value_{name}"] = (PANE_X + 280, (32, 74, 117, 160, 202, 246, 289)[row], 40, 22)
CONTROLS["flicker"] = (PANE_X + 230, 330, 60, 22)
CONTROLS["default"] = (PANE_X + 62, 398, 88, 25)
CONTROLS["ok"] = (PANE_X + 175, 398, 88, 25)
PANE = (PANE_X, 0, 327, 436)

# Buttons of the two warnings, relative to the dialog.
NO_DEVICE_QUIT = (32, 144, 80, 23)
NO_CAMERA_OK = (124, 144, 80, 23)

# Colours of the artwork.
TAB_GREEN = (91, 254, 65)    # the chosen camera's tab caption
TAB_BLACK = (53, 52, 52)     # the other captions
MUTE_RED = (237, 28, 36)     # mute face: the camera is muted (or there is none)
MUTE_GREEN = (3, 216, 98)    # no_mute face
KEY_BLACK = (0, 0, 0)        # the ground of a button drawn with background-color: black
ON_TOP_GLYPH = (40, 40, 44)       # the stay-on-top button's glyph while the panel stays on top
NOT_ON_TOP_GLYPH = (206, 206, 208)  # its glyph while it does not


def centre(rect):
    x, y, w, h = rect
    return (x + w // 2, y + h // 2)


def tab_caption(number):
    """The inner part of a tab, where its caption is drawn, clear of the
    neighbours' overlap."""
    x, y, w, h = TABS[number]
    return (x + 8, y + 12, w - 16, h - 24)


def offset(rect, origin):
    x, y, w, h = rect
    return (x + origin[0], y + origin[1], w, h)
