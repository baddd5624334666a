// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// A short note over the panel when the camera's commands cannot reach it:
// the cause and what the user can do about it. Not modal; shown once per
// camera and cause, whatever the user clicks afterwards; gone after a while
// or when clicked.
//
// The panel's commands do not tell it themselves: the camera's worker
// reports each request that answered with a cause (the library's
// BaseDevice::LastRequestFault), whatever sent it.
#pragma once

#include <QLabel>
#include <QSet>
#include <QString>

#include <lumetra/BaseDevice.h>

class QTimer;

class CommandNotice : public QLabel {
    Q_OBJECT

public:
    // Over `window`.
    explicit CommandNotice(QWidget* window);

    // `camera` (its device path) is the one open on the device now.
    void cameraOpened(const QString& camera);

    // What the notice says for a cause; empty for RequestFault::None.
    static QString textFor(RequestFault fault);

    // Shows the notice for a request's cause, unless told already; while a
    // mouse button is held on the window, once it is let go.
    void check(RequestFault fault);

    // Shows `text` unless `key` has been told already; true when it shows.
    bool tellOnce(const QString& key, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* window;
    bool held = false;                          // a mouse button is down on the window
    RequestFault waiting = RequestFault::None;  // to tell when it is let go
    QString camera;
    QSet<QString> told;  // camera and cause, once each
    QTimer* hideTimer;
};
