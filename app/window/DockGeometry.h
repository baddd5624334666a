// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Edge docking of the frameless main window: where the window goes when the
// pointer enters or leaves it. Pure arithmetic, so it can be checked alone.
#pragma once

#include <QPoint>
#include <QRect>
#include <optional>

namespace ptzdeck {

enum class DockEvent { Enter, Leave };

// `geometry` is the window's client area in screen coordinates, captured once
// at the start of the event; `desktopWidth` the width of the whole virtual
// desktop. Returns where the window ends up, or nothing when it stays put.
std::optional<QPoint> dockedPosition(DockEvent event, const QRect& geometry, int desktopWidth, bool settingsShown);

}  // namespace ptzdeck
