// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/sim/SimCameraModel.h"

#include "platform/KsProperties.h"

namespace lumetra::platform::sim {

namespace {
SimProperty Range(int32_t min, int32_t max, int32_t step, int32_t defaultValue) {
    SimProperty p;
    p.min = min;
    p.max = max;
    p.step = step;
    p.defaultValue = defaultValue;
    p.current = defaultValue;
    p.current2 = defaultValue;
    return p;
}
}  // namespace

SimPropertyTable SimCameraModel::DefaultCameraControl() {
    namespace id = CameraControlId;
    return {
        {id::Pan, Range(-170, 170, 1, 0)},
        {id::Tilt, Range(-30, 90, 1, 0)},
        {id::Roll, Range(0, 355, 1, 0)},  // the command channel's codes
        {id::Zoom, Range(100, 500, 1, 100)},
        {id::Exposure, Range(-13, -1, 1, -6)},
        {id::Iris, Range(0, 10, 1, 5)},
        {id::Focus, Range(0, 255, 1, 128)},
        {id::PanRelative, Range(-255, 255, 1, 0)},
        {id::TiltRelative, Range(-255, 255, 1, 0)},
        {id::ZoomRelative, Range(-7, 7, 1, 0)},
        {id::FocusRelative, Range(-7, 7, 1, 0)},
    };
}

SimPropertyTable SimCameraModel::DefaultProcAmp() {
    namespace id = ProcAmpId;
    return {
        {id::Brightness, Range(-64, 64, 1, 0)},
        {id::Contrast, Range(0, 64, 1, 32)},
        {id::Saturation, Range(0, 128, 1, 64)},
        {id::Sharpness, Range(0, 6, 1, 3)},
        {id::Gamma, Range(72, 500, 1, 100)},
        {id::WhiteBalance, Range(2800, 6500, 10, 4600)},
        {id::BacklightCompensation, Range(0, 2, 1, 1)},
        {id::Gain, Range(0, 100, 1, 0)},
        {id::WhiteBalanceComponent, Range(2800, 6500, 10, 4600)},
        {id::PowerLineFrequency, Range(0, 2, 1, 1)},
    };
}

SimCameraModel SupportedCamera(const std::string& name, const std::string& serial) {
    SimCameraModel model;
    model.friendlyName = name;
    model.devicePath = "\\\\?\\usb#vid_0000&pid_8888&mi_00#" + serial +
                       "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
    return model;
}

}  // namespace lumetra::platform::sim
