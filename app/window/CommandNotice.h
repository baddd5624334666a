// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// A short note over the panel when the camera's commands cannot reach it:
// the cause and what the user can do about it. Not modal; shown once per
// camera and cause, whatever the user clicks afterwards; gone after a while
// or when clicked.
//
// The panel does not look at what its camera operations return. Instead,
// after each press of a key or release of a mouse button on the window, the
// notice asks the library why the device's last request did not reach the
// camera (BaseDevice::LastRequestFault), so that no command's path needs to
// know about it.
#pragma once

#include <QLabel>
#include <QSet>
#include <QString>

#include <lumetra/BaseDevice.h>

class QTimer;

class CommandNotice : public QLabel {
    Q_OBJECT

public:
    // Watches the input of `window`, whose commands go to `device`.
    CommandNotice(QWidget* window, BaseDevice* device);

    // `camera` (its device path) is the one open on the device now.
    void cameraOpened(const QString& camera);

    // What the notice says for a cause; empty for RequestFault::None.
    static QString textFor(RequestFault fault);

    // Shows the notice if the device's last request has a cause to tell.
    // Input on the window runs it by itself; a command from outside the
    // window (the session bus) runs it when the camera did not take it.
    void check();

    // Shows `text` unless `key` has been told already; true when it shows.
    bool tellOnce(const QString& key, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* window;
    BaseDevice* device;
    QString camera;
    QSet<QString> told;  // camera and cause, once each
    QTimer* hideTimer;
    bool checkPending = false;
};
