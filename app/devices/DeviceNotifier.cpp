// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devices/DeviceNotifier.h"

#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include "devices/DeviceChangeMessage.h"
#include "devices/VideoNodeChanges.h"
#include "logging/LogCategories.h"

namespace ptzdeck::platform {

struct DeviceNotifier::Udev {
    ::udev* context = nullptr;
    ::udev_monitor* monitor = nullptr;

    ~Udev()
    {
        if (monitor)
            udev_monitor_unref(monitor);
        if (context)
            udev_unref(context);
    }
};

namespace {

// The USB devices that have a video node now, by sysfs path.
QSet<QByteArray> UsbDevicesWithVideoNodes(udev* context)
{
    QSet<QByteArray> owners;
    udev_enumerate* nodes = udev_enumerate_new(context);
    if (!nodes)
        return owners;
    udev_enumerate_add_match_subsystem(nodes, "video4linux");
    udev_enumerate_scan_devices(nodes);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(nodes))
    {
        udev_device* node = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (!node)
            continue;
        // The parent belongs to the node, which is released with it.
        if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device"))
            owners.insert(QByteArray(udev_device_get_syspath(usb)));
        udev_device_unref(node);
    }
    udev_enumerate_unref(nodes);
    return owners;
}

}  // namespace

DeviceNotifier::DeviceNotifier(QObject* parent, VideoNodeOwners owners)
    : QObject(parent), videoNodeOwners(std::move(owners))
{
}

DeviceNotifier::~DeviceNotifier()
{
    // Socket notifiers go before the descriptors they watch.
    delete udevNotifier;
    delete busNotifier;
    if (busWatchFd >= 0)
        close(busWatchFd);
}

bool DeviceNotifier::start()
{
    // The same choice the camera library makes. A bus directory that does not
    // exist cannot be watched: the registration fails.
    const QByteArray simulated = qgetenv("LUMETRA_SIM_DIR");
    const bool watching = simulated.isEmpty() ? watchUdev() : watchSimulatedBus(simulated);
    qCDebug(lcHotplug, "%s %s", watching ? "watching" : "cannot watch",
        simulated.isEmpty() ? "udev's video4linux devices" : ("the simulated bus " + simulated).constData());
    return watching;
}

namespace {

// A simulated camera is a file named `<something>.cam`; the request log and
// temporary files written beside them are not devices.
bool IsCameraFile(const char* name)
{
    const size_t length = std::strlen(name);
    return length > 4 && std::strcmp(name + length - 4, ".cam") == 0;
}

}  // namespace

bool DeviceNotifier::watchSimulatedBus(const QByteArray& directory)
{
    // inotify directly rather than QFileSystemWatcher, which quietly falls
    // back to polling when inotify is unavailable.
    busWatchFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (busWatchFd < 0)
        return false;
    const uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
    if (inotify_add_watch(busWatchFd, directory.constData(), mask) < 0)
        return false;
    busNotifier = new QSocketNotifier(busWatchFd, QSocketNotifier::Read, this);
    connect(busNotifier, &QSocketNotifier::activated, this, &DeviceNotifier::simulatedBusReadable);
    return true;
}

void DeviceNotifier::simulatedBusReadable()
{
    alignas(inotify_event) char buffer[4096];
    ssize_t length;
    while ((length = read(busWatchFd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                qCDebug(lcHotplug, "simulated bus: events lost; looking again");
                // Events were dropped, a camera's among them perhaps: a pass
                // looks at the whole bus again.
                emit deviceChanged(DBT_DEVICEARRIVAL);
                continue;
            }
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
                qCDebug(lcHotplug, "simulated bus: the directory is gone");
                // The whole bus is gone.
                emit deviceChanged(DBT_DEVICEREMOVECOMPLETE);
                continue;
            }
            if (event->len == 0 || !IsCameraFile(event->name))
                continue;
            const bool arrived = event->mask & (IN_CREATE | IN_MOVED_TO);
            const bool left = event->mask & (IN_DELETE | IN_MOVED_FROM);
            if (arrived || left)
                qCDebug(lcHotplug, "simulated bus: %s %s", event->name, arrived ? "plugged in" : "unplugged");
            if (arrived)
                emit deviceChanged(DBT_DEVICEARRIVAL);
            else if (left)
                emit deviceChanged(DBT_DEVICEREMOVECOMPLETE);
        }
    }
}

// Adds `subsystem` to what the one udev monitor receives, opening it first.
bool DeviceNotifier::listenTo(const char* subsystem)
{
    if (!udevHandles) {
        udevHandles = std::make_unique<Udev>();
        udevHandles->context = udev_new();
        // "udev" events come after udevd has finished with the device, so
        // the node is usable (and its properties known) when it is reported.
        if (udevHandles->context)
            udevHandles->monitor = udev_monitor_new_from_netlink(udevHandles->context, "udev");
    }
    if (!udevHandles->monitor
        || udev_monitor_filter_add_match_subsystem_devtype(udevHandles->monitor, subsystem, nullptr) < 0)
        return false;
    if (udevNotifier)
        return udev_monitor_filter_update(udevHandles->monitor) >= 0;
    if (udev_monitor_enable_receiving(udevHandles->monitor) < 0)
        return false;
    const int fd = udev_monitor_get_fd(udevHandles->monitor);
    if (fd < 0)
        return false;
    udevNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(udevNotifier, &QSocketNotifier::activated, this, &DeviceNotifier::udevReadable);
    return true;
}

bool DeviceNotifier::watchUdev()
{
    // Video devices only: a mouse or a memory stick coming or going must not
    // send the panel back to camera 1 or raise the no-device warning.
    if (!listenTo("video4linux"))
        return false;
    if (!videoNodeOwners) {
        ::udev* context = udevHandles->context;
        videoNodeOwners = [context] { return UsbDevicesWithVideoNodes(context); };
    }
    videoNodeChanges = std::make_unique<VideoNodeChanges>(videoNodeOwners);
    return true;
}

namespace {

// A gamepad's event node: the one node of the pad that evdev reads.
bool IsGamepadNode(udev_device* device)
{
    const char* sysname = udev_device_get_sysname(device);
    const char* joystick = udev_device_get_property_value(device, "ID_INPUT_JOYSTICK");
    return sysname && std::strncmp(sysname, "event", 5) == 0 && udev_device_get_devnode(device) && joystick
           && std::strcmp(joystick, "1") == 0;
}

InputNode Describe(udev_device* device)
{
    InputNode node;
    node.syspath = udev_device_get_syspath(device);
    node.devnode = udev_device_get_devnode(device);
    // The name belongs to the input device the event node hangs off.
    udev_device* input = udev_device_get_parent_with_subsystem_devtype(device, "input", nullptr);
    const char* name = input ? udev_device_get_sysattr_value(input, "name") : nullptr;
    node.name = QString::fromUtf8(name ? name : udev_device_get_sysname(device));
    return node;
}

}  // namespace

bool DeviceNotifier::followGamepads()
{
    if (followingGamepads)
        return true;
    // Before the enumeration, so that no pad plugged in meanwhile is missed;
    // one reported twice is harmless.
    if (!listenTo("input"))
        return false;
    followingGamepads = true;
    udev_enumerate* present = udev_enumerate_new(udevHandles->context);
    if (!present)
        return false;
    udev_enumerate_add_match_subsystem(present, "input");
    udev_enumerate_add_match_property(present, "ID_INPUT_JOYSTICK", "1");
    udev_enumerate_add_match_sysname(present, "event*");
    std::vector<InputNode> found;
    if (udev_enumerate_scan_devices(present) >= 0) {
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(present))
        {
            udev_device* device = udev_device_new_from_syspath(udevHandles->context, udev_list_entry_get_name(entry));
            if (device && IsGamepadNode(device))
                found.push_back(Describe(device));
            if (device)
                udev_device_unref(device);
        }
    }
    udev_enumerate_unref(present);
    for (const InputNode& node : found)
        emit gamepadArrived(node);
    return true;
}

void DeviceNotifier::udevReadable()
{
    // One readable socket may hold several events; the socket is
    // non-blocking, so this ends when it is drained.
    if (videoNodeChanges)
        videoNodeChanges->startBatch();
    while (udev_device* device = udev_monitor_receive_device(udevHandles->monitor)) {
        const char* action = udev_device_get_action(device);
        const char* subsystem = udev_device_get_subsystem(device);
        if (subsystem && std::strcmp(subsystem, "input") == 0) {
            if (followingGamepads)
                inputChanged(device, action);
        } else if (videoNodeChanges) {
            const bool reported = videoNodeChanges->reported(QByteArray(subsystem ? subsystem : ""));
            qCDebug(lcHotplug, "udev: %s %s %s%s", subsystem ? subsystem : "?", action ? action : "?",
                udev_device_get_devpath(device), reported ? "" : " (not a camera coming or going: ignored)");
            if (reported && action && std::strcmp(action, "add") == 0)
                emit deviceChanged(DBT_DEVICEARRIVAL);
            else if (reported && action && std::strcmp(action, "remove") == 0)
                emit deviceChanged(DBT_DEVICEREMOVECOMPLETE);
        }
        udev_device_unref(device);
    }
}

void DeviceNotifier::inputChanged(udev_device* device, const char* action)
{
    if (!action)
        return;
    if (std::strcmp(action, "remove") == 0) {
        // Whatever it was: only a pad the panel holds is let go of.
        emit gamepadLeft(QByteArray(udev_device_get_syspath(device)));
    } else if (std::strcmp(action, "add") == 0 && IsGamepadNode(device)) {
        emit gamepadArrived(Describe(device));
    }
}

}  // namespace ptzdeck::platform
