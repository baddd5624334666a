// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What the window shows of ptzdeck-bridge: whether it serves and on which
// ports, in the tray menu, and the focus mode its clients set on the camera
// the window shows (the bridge and the panel may drive one camera at once).
#include <QAction>
#include <QMenu>

#include "panel/BridgeWatch.h"
#include "window/MainWindow.h"

using ptzdeck::remote::BridgeWatch;

void MainWindow::followBridge(const BridgeWatch* bridge)
{
    connect(bridge, &BridgeWatch::changed, this, [this, bridge] { showBridge(bridge); });
    connect(bridge, &BridgeWatch::focusModeChanged, this, &MainWindow::bridgeSetFocus);
    showBridge(bridge);
}

void MainWindow::showBridge(const BridgeWatch* bridge)
{
    qDeleteAll(trayBridge);
    trayBridge.clear();
    QStringList lines;
    if (!bridge->running())
        lines << tr("VISCA bridge: off");
    else if (bridge->serving().isEmpty())
        lines << tr("VISCA bridge: no camera served");
    for (const QString& camera : bridge->serving())
        lines << tr("VISCA bridge, %1").arg(camera);
    QAction* separator = nullptr;
    for (QAction* item : trayMenu->actions())
        if (item->isSeparator() && !separator)
            separator = item;
    for (const QString& line : lines) {
        auto* item = new QAction(line, trayMenu);
        item->setEnabled(false);
        trayMenu->insertAction(separator, item);
        trayBridge << item;
    }
}

// Only the face turns: the camera has been told already, by the bridge.
void MainWindow::bridgeSetFocus(const QString& device, bool automatic)
{
    const size_t shown = static_cast<size_t>(chosenTab - 1);
    if (cameraReady() && chosenTab > 0 && shown < devices.size()
        && QString::fromStdString(devices[shown].devicePath) == device)
        showAutoFocus(automatic);
}
