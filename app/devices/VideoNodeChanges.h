// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Which udev events are a camera arriving or leaving for the panel. A video
// node coming or going is, but only when it changes which USB devices have
// video nodes: when uvcvideo lets go of a camera and takes it back (the
// camera library borrows its interface for a command the camera takes no
// other way), the same devices have nodes again once the events are read,
// and the panel must not run a discovery pass that reopens camera 1. Events
// of other subsystems (a mouse, a memory stick) never are.
#pragma once

#include <QByteArray>
#include <QSet>
#include <functional>

namespace ptzdeck::platform {

class VideoNodeChanges {
public:
    // `owners` lists the USB devices (sysfs paths) that have a video node now.
    using Owners = std::function<QSet<QByteArray>()>;
    explicit VideoNodeChanges(Owners owners);

    // Whether an event of `subsystem` is reported. Events read together are
    // judged together: call startBatch() before each batch.
    void startBatch() { looked = false; }
    bool reported(const QByteArray& subsystem);

private:
    Owners owners;
    QSet<QByteArray> known;
    bool looked = false;
    bool changed = false;
};

}  // namespace ptzdeck::platform
