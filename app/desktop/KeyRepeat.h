// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// A held key reaches the window as repeated presses and one release when it
// is let go, as on other desktops. Plain X11 instead reports auto-repeat as
// release and press pairs, and the panel stops the camera on a release.
#pragma once

namespace ptzdeck::platform {

// Once per process; does nothing where the display is not X11.
void ReportHeldKeysAsRepeatedPresses();

}  // namespace ptzdeck::platform
