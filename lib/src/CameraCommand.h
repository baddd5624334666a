// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The camera's own command channel: Value1 of a Set of camera-control ROLL.
#pragma once

#include <cstdint>

namespace lumetra {

enum CameraCommand : int32_t {
    MirrorOnCode = 0,
    MirrorOffCode = 1,
    FlipOnCode = 2,
    FlipOffCode = 3,
    MuteOffCode = 4,
    MuteOnCode = 5,
    FocusAutoCode = 6,
    FocusManualCode = 7,
    HomeCode = 8,
    Command10Code = 10,
    Command11Code = 11,
    FramingAutoCode = 16,
    FramingManualCode = 17,
    Command18Code = 18,
    Command19Code = 19,
    // Preset n (its low 8 bits) adds to these; the three ranges overlap.
    PresetSetBase = 20,
    PresetClearBase = 60,
    PresetCallBase = 100,
};

}  // namespace lumetra
