// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "desktop/SessionPlatform.h"

#include <QGuiApplication>
#include <QtGlobal>

namespace ptzdeck::platform {

void PreferXWayland()
{
    // Qt itself picks Wayland when XDG_SESSION_TYPE says so. DISPLAY is set in
    // a Wayland session exactly when the compositor runs an X server for X
    // programs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

bool CanPlaceWindows() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace ptzdeck::platform
