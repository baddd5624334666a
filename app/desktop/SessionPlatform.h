// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Which of Qt's window-system plug-ins the panel runs on, and what the one it
// got allows.
#pragma once

namespace ptzdeck::platform {

// Before the application object exists: under a Wayland compositor that
// offers XWayland, run through XWayland. A native Wayland window cannot place
// itself, so dragging, edge docking, placing a warning beside the panel and
// staying on top would all do nothing. A user's own QT_QPA_PLATFORM (or
// -platform) still wins.
void PreferXWayland();

// False on native Wayland: the compositor alone places windows and decides
// their stacking; a window may only ask it to start a move.
bool CanPlaceWindows();

}  // namespace ptzdeck::platform
