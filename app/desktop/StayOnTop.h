// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Stand-in for SetWindowPos(HWND_TOPMOST / HWND_NOTOPMOST): places a window in
// or out of the always-on-top band.
#pragma once

class QWidget;

namespace ptzdeck::platform {

// Works on shown windows without hiding, re-creating or moving them, and on
// windows not shown yet. On X11, Qt re-creates the native window the next time
// a window changed this way is shown after being hidden; QWidget::winId() does
// not follow that, QWidget::windowHandle()->winId() does.
void SetStaysOnTop(QWidget* window, bool onTop);

}  // namespace ptzdeck::platform
