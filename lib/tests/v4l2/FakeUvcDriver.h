// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The control ioctls of a uvcvideo capture node, answered the way Linux 6.1's
// uvcvideo answers them, quirks included: its V4L2 <-> UVC mappings, range
// clamping that turns negative pan/tilt speeds into minus the slowest speed
// and makes ZOOM_CONTINUOUS unable to go below its slowest speed, and
// read-modify-write of shared UVC controls that sends zeros for the half not
// set when the camera offers no GET_CUR. With `fixedRelativeRanges` it
// behaves as later kernels, which report relative speeds as [-max, max].
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "FakeUvcCamera.h"

namespace fake {

struct UvcMapping;

class FakeUvcDriver {
public:
    explicit FakeUvcDriver(std::shared_ptr<FakeUvcCamera> camera) : camera_(std::move(camera)) {}

    bool fixedRelativeRanges = false;

    // -errno, or 0.
    int QueryControl(v4l2_queryctrl& query);
    int QueryMenu(v4l2_querymenu& menu);
    int GetControls(v4l2_ext_controls& request);
    int SetControls(v4l2_ext_controls& request);

    FakeUvcCamera& Camera() { return *camera_; }

private:
    using Mapping = UvcMapping;
    const Mapping* Find(uint32_t id, UvcControl*& control);
    int32_t Read(const Mapping& mapping, uint8_t query, const Bytes& data) const;
    void Write(const Mapping& mapping, int32_t value, Bytes& data) const;
    int32_t Minimum(const Mapping& mapping, const UvcControl& control) const;
    int32_t Maximum(const Mapping& mapping, const UvcControl& control) const;
    int SendRequest(uint8_t request, const UvcControl& control, Bytes& data);

    std::shared_ptr<FakeUvcCamera> camera_;
};

}  // namespace fake
