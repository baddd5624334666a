// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The gamepads the panel follows: each one opened as udev announces it, its
// events turned into the window's operations through the mapping, and let
// go of when it leaves. Several pads may be plugged in; any of them drives
// the camera, and the one touched last is the one "in use".
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "gamepad/GamepadMapping.h"
#include "devices/DeviceNotifier.h"

namespace ptzdeck {

class Gamepads : public QObject {
    Q_OBJECT

public:
    // Opens an event node for reading, non-blocking: a descriptor, or -1
    // with errno set. The system's open(2) unless a test replaces it.
    using Opener = std::function<int(const QByteArray& devnode)>;
    static void SetOpenerForTesting(Opener opener);

    explicit Gamepads(QObject* parent = nullptr);
    ~Gamepads() override;

    // Reads the user's mapping ($XDG_CONFIG_HOME/ptzdeck/gamepad.conf),
    // reporting its bad lines on the panel's output; no file, the defaults.
    void loadMapping();
    static QString MappingPath();

    // What the menu shows: the pad in use, or that there is none.
    QString inUse() const;
    // The joystick's place the pads hold (4: none), and the held moves.
    int stickPlace() const;
    bool holds(gamepad::Action action) const;
    // Every pad lets go, as if all its sticks and buttons were released.
    void releaseAll();

public slots:
    void padArrived(const ptzdeck::platform::InputNode& node);
    void padLeft(const QByteArray& syspath);

signals:
    void joystick(int place, int panStep, int tiltStep);
    void held(ptzdeck::gamepad::Action action, bool down);
    void pressed(ptzdeck::gamepad::Action action, int number);
    void inUseChanged(const QString& text);

private:
    struct Pad;
    class Sink;
    void remove(Pad* pad);
    void touched(Pad* pad);
    void holdChanged(gamepad::Action action, bool down);
    void announce();

    gamepad::Mapping mapping_ = gamepad::Mapping::Defaults();
    std::vector<std::unique_ptr<Pad>> pads_;
    Pad* inUse_ = nullptr;
    std::vector<gamepad::Action> holding_;        // one entry per input holding it
    int place_ = 4;                               // the stick's place last reported
    QSet<QString> refused_;                       // told once: no access
    std::map<QByteArray, QString> refusedNodes_;  // plugged in, not ours to read
};

}  // namespace ptzdeck

Q_DECLARE_METATYPE(ptzdeck::gamepad::Action)
