// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// QWidget::setWindowFlags would re-create the native window and hide it, so
// the flag goes to Qt's bookkeeping and to the native window separately. On
// X11 the native window asks the window manager through the EWMH
// _NET_WM_STATE client message (_NET_WM_STATE_ABOVE) while it is mapped, and
// sets the property itself before it is mapped.
#include "desktop/StayOnTop.h"

#include <QWidget>
#include <QWindow>

namespace ptzdeck::platform {

void SetStaysOnTop(QWidget* window, bool onTop)
{
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    window->overrideWindowFlags(flags);
    // Not yet created: the native window takes the widget's flags when it is.
    if (QWindow* handle = window->windowHandle())
        handle->setFlags(flags);
}

}  // namespace ptzdeck::platform
