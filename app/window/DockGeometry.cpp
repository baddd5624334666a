// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "window/DockGeometry.h"

namespace ptzdeck {

namespace {

// What stays visible of a window slid off an edge.
constexpr int kStrip = 10;
// Width of the settings pane; while it is hidden only the control face to its
// left is painted, so the right-edge limits shift by the pane's width.
constexpr int kPaneWidth = 327;
// Where the left edge hides the window while the pane is hidden.
constexpr int kHiddenPaneLeftDock = -317;

}  // namespace

std::optional<QPoint> dockedPosition(DockEvent event, const QRect& geometry, int desktopWidth, bool settingsShown)
{
    const int x = geometry.x();
    const int y = geometry.y();
    const int w = geometry.width();
    const int h = geometry.height();
    const int right = geometry.right();
    const int D = desktopWidth;
    const int rightLimit = settingsShown ? D - kStrip : D + kPaneWidth - kStrip;

    // Each rule starts from the captured geometry, so a later rule overrides
    // an earlier one rather than composing with it.
    std::optional<QPoint> target;
    if (event == DockEvent::Enter) {
        if (y < 0)
            target = QPoint(x, -kStrip);
        if (x < 0)
            target = QPoint(-kStrip, y);
        if (right > rightLimit)
            target = QPoint(settingsShown ? D - w : D + kPaneWidth - w, y);
    } else {
        if (y < 0)
            target = QPoint(x, kStrip - h);
        if (x < 0)
            target = QPoint(settingsShown ? kStrip - w : kHiddenPaneLeftDock, y);
        if (right > rightLimit)
            target = QPoint(D - kStrip, y);
    }
    return target;
}

}  // namespace ptzdeck
