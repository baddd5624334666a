// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One evdev input device (a gamepad's /dev/input/event node), read through
// libevdev from the event loop: a socket notifier on its descriptor, so the
// panel wakes only when the pad has something to say.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

struct libevdev;
class QSocketNotifier;

namespace ptzdeck::platform {

class GamepadDevice : public QObject {
    Q_OBJECT

public:
    struct Axis {
        int code = 0;
        int minimum = 0;
        int maximum = 0;
        int flat = 0;
        int value = 0;  // as the pad reported it when it was opened
    };

    // Takes over `fd` (opened for reading, non-blocking): the device, or
    // null with `*error` set (an errno) when it is not an input device.
    static GamepadDevice* Adopt(int fd, int* error, QObject* parent = nullptr);
    ~GamepadDevice() override;

    QString name() const;
    std::vector<Axis> axes() const;

signals:
    // Each event as the pad sent it, SYN_REPORT ending a frame.
    void event(int type, int code, int value);
    // The device is gone (unplugged): nothing more will come.
    void gone();

private:
    GamepadDevice(int fd, libevdev* device, QObject* parent);
    void readable();
    void lost();

    int fd_ = -1;
    libevdev* device_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace ptzdeck::platform
