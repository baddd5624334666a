// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The camera of another make on the rig: driven through the library calls
// the panel makes for such a camera, and judged by what it received.
#pragma once

#include <string>

#include "Judge.h"

class BaseDevice;

namespace rig {

// Lists, opens (OpenAny) and drives the generic camera on `d`: its moves,
// stepped on its absolute controls, home, a preset stored and recalled,
// and the camera's own commands, which must reach nothing.
void GenericCameraColumn(Judge& judge, BaseDevice& d, const CameraId& camera);

// The same for one that has every control: Linux 6.1 clamps its relative
// speeds, so its moves too are stepped on its absolute controls, and its
// Roll control, whatever it does on this make, is left alone.
void GenericEveryControlColumn(Judge& judge, BaseDevice& d, const CameraId& camera);

// Over the whole run's log: nothing reached the camera's Roll control (no
// request at all when `rollDeclared` is false; else uvcvideo's own reads
// when it binds the camera, and no SET_CUR), nothing its relative controls,
// and nothing came through usbfs.
void CheckNothingReachedRoll(Judge& judge, const std::string& logPath, const CameraId& camera, bool rollDeclared);

}  // namespace rig
