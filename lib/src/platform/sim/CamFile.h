// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The text of a simulated camera's .cam file. Any input is accepted:
// lines that do not parse are ignored.
#pragma once

#include <string_view>

#include "platform/sim/SimCameraModel.h"

namespace lumetra::platform::sim {

// Unread parts keep the defaults of SimCameraModel (no name, no path: the
// property bag cannot read them).
SimCameraModel ParseCamFile(std::string_view text);

}  // namespace lumetra::platform::sim
