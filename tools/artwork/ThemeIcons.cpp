// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The application icon that menus, docks and task switchers show: the same
// lens on a tile as the notification-area icon, drawn afresh at each size the
// hicolor theme has a directory for rather than scaled by the desktop.
#include "ThemeIcons.h"

#include "Canvas.h"
#include "Faces.h"

QVector<BundleFile> drawThemeIcons()
{
    QVector<BundleFile> files;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        files.append({QStringLiteral("%1x%1/apps/ptzdeck.png").arg(size), encodePng(drawTrayIcon(size))});
    return files;
}
