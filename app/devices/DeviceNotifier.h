// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Stand-in for RegisterDeviceNotificationW: reports devices arriving and
// leaving. Real hardware is followed through a udev monitor on the
// `video4linux` subsystem (video devices, nothing else; a driver taking a
// camera back is no arrival: VideoNodeChanges.h); when the camera library
// runs on a simulated bus (LUMETRA_SIM_DIR is set) that directory is watched
// instead, with inotify, and a `.cam` file appearing or vanishing is a
// camera plugged or unplugged. Both are event driven: nothing polls.
//
// Gamepads are followed through the same udev monitor (the `input`
// subsystem, nodes udev marks ID_INPUT_JOYSTICK), cameras simulated or not;
// they never count as a device change, so they start no discovery pass.
#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;
struct udev_device;

namespace ptzdeck::platform {

class VideoNodeChanges;

// An input device's event node as udev describes it.
struct InputNode {
    QByteArray syspath;  // names it while it is plugged in
    QByteArray devnode;  // /dev/input/eventN
    QString name;        // the device's own name
};

class DeviceNotifier : public QObject {
    Q_OBJECT

public:
    // The USB devices (sysfs paths) that have a video node now.
    using VideoNodeOwners = std::function<QSet<QByteArray>()>;

    // `owners` replaces udev's own view of sysfs, for a test whose devices
    // udev announces but sysfs does not hold.
    explicit DeviceNotifier(QObject* parent = nullptr, VideoNodeOwners owners = {});
    ~DeviceNotifier() override;

    // Starts listening. False when the system refuses; nothing is then
    // reported for the rest of the notifier's life.
    bool start();
    // Reports the gamepads present now, then those that come and go. False
    // when the system refuses.
    bool followGamepads();

signals:
    // DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE, once per device.
    void deviceChanged(quintptr event);
    void gamepadArrived(const ptzdeck::platform::InputNode& node);
    void gamepadLeft(const QByteArray& syspath);

private:
    bool watchSimulatedBus(const QByteArray& directory);
    void simulatedBusReadable();
    bool listenTo(const char* subsystem);
    bool watchUdev();
    void udevReadable();
    void inputChanged(::udev_device* device, const char* action);

    bool followingGamepads = false;

    struct Udev;
    std::unique_ptr<Udev> udevHandles;
    VideoNodeOwners videoNodeOwners;
    std::unique_ptr<VideoNodeChanges> videoNodeChanges;  // set while cameras are followed through udev
    QSocketNotifier* udevNotifier = nullptr;

    int busWatchFd = -1;  // inotify instance on the bus directory
    QSocketNotifier* busNotifier = nullptr;
};

}  // namespace ptzdeck::platform

Q_DECLARE_METATYPE(ptzdeck::platform::InputNode)
