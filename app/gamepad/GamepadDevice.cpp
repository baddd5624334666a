// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "gamepad/GamepadDevice.h"

#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <unistd.h>

namespace ptzdeck::platform {

GamepadDevice* GamepadDevice::Adopt(int fd, int* error, QObject* parent)
{
    libevdev* device = nullptr;
    const int rc = libevdev_new_from_fd(fd, &device);
    if (rc < 0) {
        *error = -rc;
        close(fd);
        return nullptr;
    }
    return new GamepadDevice(fd, device, parent);
}

GamepadDevice::GamepadDevice(int fd, libevdev* device, QObject* parent) : QObject(parent), fd_(fd), device_(device)
{
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &GamepadDevice::readable);
}

GamepadDevice::~GamepadDevice()
{
    // The notifier goes before the descriptor it watches.
    delete notifier_;
    libevdev_free(device_);
    close(fd_);
}

QString GamepadDevice::name() const { return QString::fromUtf8(libevdev_get_name(device_)); }

std::vector<GamepadDevice::Axis> GamepadDevice::axes() const
{
    std::vector<Axis> out;
    for (int code = 0; code <= ABS_MAX; ++code) {
        const input_absinfo* info = libevdev_get_abs_info(device_, code);
        if (info)
            out.push_back({code, info->minimum, info->maximum, info->flat, info->value});
    }
    return out;
}

void GamepadDevice::readable()
{
    // What an event sets going may, in a nested event loop, see this pad go.
    const QPointer<GamepadDevice> alive(this);
    bool any = false;
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        input_event ev;
        const int rc = libevdev_next_event(device_, flags, &ev);
        if (rc == LIBEVDEV_READ_STATUS_SYNC) {
            // The kernel dropped events (the panel was busy): libevdev now
            // replays the difference to the pad's present state, ending
            // with a frame, before reading on.
            flags = LIBEVDEV_READ_FLAG_SYNC;
            any = true;
            if (!(ev.type == EV_SYN && ev.code == SYN_DROPPED))
                emit event(ev.type, ev.code, ev.value);
            if (!alive)
                return;
            continue;
        }
        if (rc == -EAGAIN) {
            if (flags == LIBEVDEV_READ_FLAG_SYNC) {
                flags = LIBEVDEV_READ_FLAG_NORMAL;
                continue;
            }
            break;
        }
        if (rc < 0) {
            lost();  // ENODEV: unplugged
            return;
        }
        any = true;
        emit event(ev.type, ev.code, ev.value);
        if (!alive)
            return;
    }
    if (any)
        return;
    // Readable with nothing to read: the other end hung up.
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        lost();
}

void GamepadDevice::lost()
{
    notifier_->setEnabled(false);
    emit gone();
}

}  // namespace ptzdeck::platform
