// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devices/VideoNodeChanges.h"

namespace ptzdeck::platform {

VideoNodeChanges::VideoNodeChanges(Owners owners_) : owners(std::move(owners_)), known(owners()) {}

bool VideoNodeChanges::reported(const QByteArray& subsystem)
{
    if (subsystem != "video4linux")
        return false;
    // Once per batch: by the time a batch is read, a camera lent and taken
    // back has its nodes again.
    if (!looked) {
        looked = true;
        const QSet<QByteArray> now = owners();
        changed = now != known;
        known = now;
    }
    return changed;
}

}  // namespace ptzdeck::platform
