// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The UVC camera the rig's gadgets pretend to be: which camera terminal and
// processing unit controls it has, and each control's length and ranges as
// it answers them. Shared by the responder (which answers with these bytes)
// and the guest test (which checks that the library reports them).
#pragma once

#include <cstdint>
#include <vector>

namespace rig {

// Entity ids as usb_f_uvc numbers them.
constexpr uint8_t kCameraTerminal = 1;
constexpr uint8_t kProcessingUnit = 2;
// A unit no camera has: GET_CUR to it is the rig's ordering mark.
constexpr uint8_t kMarkUnit = 0x7E;

// One little-endian field of a control: its width and its four answers.
struct Field {
    uint8_t size;
    int32_t min, max, res, def;
};

struct Control {
    uint8_t unit;
    uint8_t selector;
    uint8_t bit;  // bmControls bit that advertises it
    const char* name;
    std::vector<Field> fields;
};

// Every control the tests use. Relative controls answer their direction
// bytes as 0 and give the speed range in the speed bytes. `slowest` is the
// lowest speed the relative pan/tilt and zoom controls report.
inline std::vector<Control> CameraControls(int slowest) {
    return {
        {kCameraTerminal, 0x02, 1, "AE_MODE", {{1, 0, 0, 0x0F, 0x08}}},
        {kCameraTerminal, 0x04, 3, "EXPOSURE_TIME_ABSOLUTE", {{4, 625, 10000, 1, 1250}}},
        {kCameraTerminal, 0x06, 5, "FOCUS_ABSOLUTE", {{2, 0, 255, 1, 128}}},
        {kCameraTerminal, 0x07, 6, "FOCUS_RELATIVE", {{1, 0, 0, 0, 0}, {1, 1, 7, 1, 1}}},
        {kCameraTerminal, 0x08, 17, "FOCUS_AUTO", {{1, 0, 1, 1, 1}}},
        {kCameraTerminal, 0x09, 7, "IRIS_ABSOLUTE", {{2, 0, 10, 1, 5}}},
        {kCameraTerminal, 0x0B, 9, "ZOOM_ABSOLUTE", {{2, 0, 16384, 1, 0}}},
        {kCameraTerminal, 0x0C, 10, "ZOOM_RELATIVE", {{1, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, slowest, 7, 1, slowest}}},
        {kCameraTerminal, 0x0D, 11, "PANTILT_ABSOLUTE", {{4, -612000, 612000, 3600, 0}, {4, -108000, 324000, 3600, 0}}},
        {kCameraTerminal,
         0x0E,
         12,
         "PANTILT_RELATIVE",
         {{1, 0, 0, 0, 0}, {1, slowest, 24, 1, slowest}, {1, 0, 0, 0, 0}, {1, slowest, 20, 1, slowest}}},
        {kCameraTerminal, 0x0F, 13, "ROLL_ABSOLUTE", {{2, 0, 355, 1, 0}}},
        {kProcessingUnit, 0x01, 8, "BACKLIGHT_COMPENSATION", {{2, 0, 2, 1, 1}}},
        {kProcessingUnit, 0x02, 0, "BRIGHTNESS", {{2, -64, 64, 1, 0}}},
        {kProcessingUnit, 0x03, 1, "CONTRAST", {{2, 0, 64, 1, 32}}},
        {kProcessingUnit, 0x04, 9, "GAIN", {{2, 0, 100, 1, 0}}},
        {kProcessingUnit, 0x05, 10, "POWER_LINE_FREQUENCY", {{1, 0, 2, 1, 1}}},
        {kProcessingUnit, 0x07, 3, "SATURATION", {{2, 0, 128, 1, 64}}},
        {kProcessingUnit, 0x08, 4, "SHARPNESS", {{2, 0, 6, 1, 3}}},
        {kProcessingUnit, 0x09, 5, "GAMMA", {{2, 72, 500, 1, 100}}},
        {kProcessingUnit, 0x0A, 6, "WHITE_BALANCE_TEMPERATURE", {{2, 2800, 6500, 10, 4600}}},
        {kProcessingUnit, 0x0B, 12, "WHITE_BALANCE_TEMPERATURE_AUTO", {{1, 0, 1, 1, 1}}},
        {kProcessingUnit, 0x0C, 7, "WHITE_BALANCE_COMPONENT", {{2, 0, 4095, 1, 2048}, {2, 0, 4095, 1, 2048}}},
        {kProcessingUnit, 0x0D, 13, "WHITE_BALANCE_COMPONENT_AUTO", {{1, 0, 1, 1, 1}}},
    };
}

// The camera models on the rig's bus. The first has every control and
// reports 1 as its slowest relative speed (as many PTZ cameras do); the
// second has no iris and reports 0; the third is the first with a
// microphone (a UAC1 function, before the camera in one configuration), so
// its gadget stalls class requests addressed to the device; the last two
// are of another make.
struct Profile {
    const char* name;  // its name in the request log
    uint16_t vendorId, productId;
    const char* product;  // USB product string = the V4L2 node name
    uint32_t cameraControls;
    uint32_t processingControls;
    int slowest;
    bool microphone = false;
    // Its UVC function's interfaces: after the microphone's two, if any.
    uint8_t controlInterface = 0;
    uint8_t streamingInterface = 1;
    // The one YUYV frame size it streams.
    unsigned width = 640, height = 480;
};

inline uint32_t Bitmap(uint8_t unit, bool withIris) {
    uint32_t bits = 0;
    for (const Control& control : CameraControls(0))
        if (control.unit == unit && (withIris || control.selector != 0x09 || unit != kCameraTerminal))
            bits |= 1u << control.bit;
    return bits;
}

inline Profile FullProfile() {
    return {"cam8888", 0x0000, 0x8888, "Rig PTZ 8888", Bitmap(kCameraTerminal, true), Bitmap(kProcessingUnit, true), 1};
}

inline Profile NoIrisProfile() {
    return {"cam00f9", 0x0000, 0x00f9, "Rig PTZ 00f9", Bitmap(kCameraTerminal, false), Bitmap(kProcessingUnit, true),
            0};
}

// Another make's camera that moves by absolute pan, tilt and zoom alone,
// with no other camera-terminal control: the library drives it as a
// generic camera, through uvcvideo.
inline Profile GenericProfile() {
    uint32_t absolute = 0;
    for (const Control& control : CameraControls(0))
        if (control.unit == kCameraTerminal && (control.selector == 0x0B || control.selector == 0x0D))
            absolute |= 1u << control.bit;
    return {"cam1209", 0x1209, 0x2222, "Rig Generic PTZ", absolute, Bitmap(kProcessingUnit, true), 1};
}

// Another make's camera with every control, Roll and the relative speeds
// (slowest 1, which Linux 6.1 clamps negative speeds to) among them.
inline Profile GenericEveryControlProfile() {
    return {
        "cam3333", 0x1209, 0x3333, "Rig Generic PTZ 2", Bitmap(kCameraTerminal, true), Bitmap(kProcessingUnit, true),
        1};
}

// Small frames: the emulated bus is slow, and only their coming counts.
inline Profile CompositeProfile() {
    return {"cam7588",
            0x0000,
            0x7588,
            "Rig PTZ 7588 with microphone",
            Bitmap(kCameraTerminal, true),
            Bitmap(kProcessingUnit, true),
            1,
            true,
            2,
            3,
            160,
            120};
}

}  // namespace rig
