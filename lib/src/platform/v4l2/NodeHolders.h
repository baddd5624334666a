// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Whether another program has a camera open. Taking the camera's control
// interface from uvcvideo destroys its video nodes, which would break such a
// program's stream, so the library asks first, by every means Linux offers
// without privileges:
//
//   - uvcvideo (Linux 6.1, Debian 12's) holds one runtime-PM reference on
//     the control interface for every open file of the capture node, which
//     sysfs shows (power/runtime_usage, with CONFIG_PM_ADVANCED_DEBUG as
//     Debian builds it) for every user's files;
//   - a program streaming, or with buffers, owns the capture queue, which
//     VIDIOC_REQBUFS with no buffers reports as EBUSY to anyone else;
//   - /proc/PID/fd shows every file open on the nodes, capture and
//     metadata, of the processes this one may look into.
//
// What none of them sees: another user's process with the metadata node
// open, or with the capture node open and idle on a kernel without the usage
// count or whose uvcvideo takes it only while the camera works (2025
// onwards). Between the last look and the driver letting go a program can
// still open the node; that window is a few system calls long.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/v4l2/Syscalls.h"

namespace lumetra::platform::v4l2 {

// The device numbers of every video node of the USB interface at
// `interfaceDir` (its video4linux entries), from their sysfs "dev".
std::vector<uint64_t> InterfaceNodeNumbers(Syscalls& sys, const std::string& interfaceDir);

// True when a file open in any process under `procRoot` that this one may
// look into leads to one of `nodes`, other than descriptor `ownFd` of this
// process.
bool OpenedElsewhere(Syscalls& sys, const std::string& procRoot, const std::vector<uint64_t>& nodes, int ownFd);

// How many files uvcvideo holds open on the capture nodes of the control
// interface at `interfaceDir`; -1 when the kernel does not say.
int DriverOpenCount(Syscalls& sys, const std::string& interfaceDir);

// True when a file other than `videoFd` owns the capture queue of the
// node `videoFd` is open on (streaming, or with buffers).
bool QueueOwnedElsewhere(Syscalls& sys, int videoFd);

}  // namespace lumetra::platform::v4l2
