// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Records what the panel's widgets report, in order, for the reference
// model: clicks, joystick and slider reports, the combo's text, keys that
// reach the window itself and discovery passes (seen just before they run).
#pragma once

#include <QList>
#include <QObject>

#include "PanelModel.h"

class MainWindow;
class QTimer;

namespace monkey {

class PanelObserver : public QObject {
public:
    explicit PanelObserver(MainWindow& window);

    QList<Event> take();
    // Device changes the window's notifier has reported so far.
    int deviceChanges() const { return changes; }
    QTimer* discoveryTimer() const { return timer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& window;
    QTimer* timer = nullptr;
    QList<Event> events;
    int changes = 0;
};

}  // namespace monkey
