// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// How docks, task switchers and window managers recognise the program's
// windows: the X11 window class, the same name as the desktop file.
#pragma once

namespace ptzdeck::platform {

// Once per process, after the application object exists. Every top-level
// window the program creates from then on carries the class "ptzdeck"
// (instance and class alike; Qt alone would write "Ptzdeck" as the class).
// Does nothing where the display is not X11.
void NameWindowsAfterProgram();

}  // namespace ptzdeck::platform
