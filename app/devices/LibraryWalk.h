// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The camera library keeps one view of the system's cameras for the whole
// process, refreshed by every enumeration and every Open. Each camera is
// driven from a thread of its own, so those walks take turns; requests to
// an open camera do not need to.
#pragma once

#include <mutex>

namespace ptzdeck {

inline std::mutex& LibraryWalk()
{
    static std::mutex walk;
    return walk;
}

}  // namespace ptzdeck
