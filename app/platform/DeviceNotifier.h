// Stand-in for RegisterDeviceNotificationW: reports devices arriving and
// leaving. Real hardware is followed through a udev monitor on the
// `video4linux` subsystem (video devices, nothing else; a driver taking a
// camera back is no arrival: VideoNodeChanges.h); when the camera library
// runs on a simulated bus (LUMETRA_SIM_DIR is set) that directory is watched
// instead, with inotify, and a `.cam` file appearing or vanishing is a
// camera plugged or unplugged. Both are event driven: nothing polls.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace ptzdeck::platform {

class VideoNodeChanges;

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

signals:
    // DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE, once per device.
    void deviceChanged(quintptr event);

private:
    bool watchSimulatedBus(const QByteArray& directory);
    void simulatedBusReadable();
    bool watchUdev();
    void udevReadable();

    struct Udev;
    std::unique_ptr<Udev> udevHandles;
    VideoNodeOwners videoNodeOwners;
    std::unique_ptr<VideoNodeChanges> videoNodeChanges;
    QSocketNotifier* udevNotifier = nullptr;

    int busWatchFd = -1;  // inotify instance on the bus directory
    QSocketNotifier* busNotifier = nullptr;
};

}  // namespace ptzdeck::platform
