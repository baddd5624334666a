// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One main window over a bus installed for it, shown offscreen, the window
// itself holding the keyboard. Discovery passes (the first one included) are
// started as a device change starts them and run at once, without the
// window's 500 ms settling delay.
#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

#include <chrono>
#include <memory>

#include "platform/Platform.h"

class MainWindow;
class QWidget;

class PanelSession {
public:
    // `watchedDirectory`: what the window's device-change notifier watches
    // for .cam files coming and going (as it watches LUMETRA_SIM_DIR): the
    // simulated bus itself, or on V4L2 a directory where nothing is ever
    // plugged in, so that the host's udev events cannot start passes.
    PanelSession(std::unique_ptr<lumetra::platform::Backend> backend, const QString& watchedDirectory);
    ~PanelSession();
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    // True when the last pass opened a camera.
    bool CameraOpen() const;

    struct Pass {
        std::chrono::nanoseconds time{
            0};                 // the GUI thread blocked in it (the walk and the open are the camera's thread's)
        long readSyscalls = 0;  // on the GUI thread, as the kernel counts them
    };
    Pass RunPass();
    // One real key event, delivered to the window as the system delivers it;
    // returns how long until the camera had what it sent (from its own thread).
    std::chrono::nanoseconds Key(Qt::Key key, bool press);
    // The same key event, without waiting for the camera.
    void Deliver(Qt::Key key, bool press);
    // Until the camera has answered every request the window sent it.
    void Settle();
    MainWindow& Window() { return *window_; }
    QWidget* Joystick() const;

private:
    std::unique_ptr<MainWindow> window_;
};
