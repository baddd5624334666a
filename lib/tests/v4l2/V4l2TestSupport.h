// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Shared by the V4L2 backend's tests: a fake machine with cameras plugged
// in, the backend over it, and the bytes each camera received.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "FakeMachine.h"
#include "platform/KsProperties.h"
#include "platform/Platform.h"

namespace fake {

// One class request as the camera saw it, for comparisons.
struct Wire {
    uint8_t requestType;
    uint8_t unit;
    uint8_t selector;
    Bytes data;
    bool operator==(const Wire& other) const {
        return requestType == other.requestType && unit == other.unit && selector == other.selector &&
               data == other.data;
    }
};
void PrintTo(const Wire& wire, std::ostream* out);

// Requests through uvcvideo reach the interface (0x21); ours through usbfs
// reach the device (0x20).
constexpr uint8_t kViaDriver = 0x21;
constexpr uint8_t kViaUsbfs = 0x20;

std::vector<Wire> SetsReceived(const FakeUvcCamera& camera);

// The four interfaces of one bound capture filter.
struct BoundCamera {
    std::unique_ptr<lumetra::platform::CaptureFilter> filter;
    std::unique_ptr<lumetra::platform::KsPropertySet> properties;
    std::unique_ptr<lumetra::platform::CameraControl> cameraControl;
    std::unique_ptr<lumetra::platform::VideoProcAmp> procAmp;
    std::unique_ptr<lumetra::platform::KsControl> ksControl;

    // One request as the library sends it: the 40-byte buffer, or the
    // 48-byte one for the white-balance component pair.
    lumetra::platform::HResult Send(lumetra::platform::PropertySet set, uint32_t id, int32_t value1, int32_t flags,
                                    int32_t value2 = 0);
};

class V4l2Test : public ::testing::Test {
protected:
    V4l2Test();

    // A camera with every control a PTZ camera has.
    static std::shared_ptr<FakeUvcCamera> PtzCamera(uint16_t vendorId = 0x0000, uint16_t productId = 0x8888);

    // Monikers in system order, with the texts of their property bags.
    struct Listed {
        std::string friendlyName;
        std::string devicePath;
    };
    lumetra::platform::HResult List(std::vector<Listed>& out);
    // Binds video node `node` and takes its four interfaces.
    BoundCamera Bind(unsigned node);

    std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
    std::unique_ptr<lumetra::platform::Backend> backend;
};

constexpr auto kCam = lumetra::platform::PropertySet::CameraControl;
constexpr auto kAmp = lumetra::platform::PropertySet::VideoProcAmp;
using lumetra::platform::kFlagsAbsolute;
using lumetra::platform::kFlagsAuto;
using lumetra::platform::kFlagsManual;
using lumetra::platform::kFlagsRelative;

}  // namespace fake
