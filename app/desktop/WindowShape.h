// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The window's shape follows what is painted: the panels' rounded
// rectangles, and nothing where the translucent window shows nothing.
// Without a compositing manager the unpainted part would otherwise be drawn
// black; with one it would still catch the clicks meant for the windows
// behind it.
#pragma once

#include <QObject>
#include <QRegion>
#include <QVector>

class QWidget;

namespace ptzdeck::platform {

class WindowShape : public QObject {
public:
    // `panels` are children of `window` painted as rounded rectangles of
    // `radius`; the shape is their union while they are shown, and follows
    // them as they are shown, hidden, moved or resized.
    WindowShape(QWidget* window, QVector<QWidget*> panels, int radius);

    // One more panel, built after the window.
    void follow(QWidget* panel);

    // The region of `window` the visible panels cover.
    QRegion covered() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();

    QWidget* window_;
    QVector<QWidget*> panels_;
    int radius_;
};

}  // namespace ptzdeck::platform
