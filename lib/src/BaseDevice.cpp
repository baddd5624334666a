// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// BaseDevice's out-of-line members: the record copies and the five
// library entry points.
#include "lumetra/BaseDevice.h"

#include "Discovery.h"
#include "USBDevice.h"
#include "network/NetworkCameras.h"
#include "platform/Platform.h"

// The implicit member-wise copies are exactly "the 26 records and nothing
// else": the records are BaseDevice's only data.
BaseDevice::BaseDevice() = default;
BaseDevice::BaseDevice(const BaseDevice& other) = default;
BaseDevice::BaseDevice(BaseDevice&& other) noexcept = default;
BaseDevice& BaseDevice::operator=(const BaseDevice& other) = default;
BaseDevice& BaseDevice::operator=(BaseDevice&& other) noexcept = default;

BaseDevice* BaseDevice::CreateDevice(DeviceType type) {
    if (type != USB) return nullptr;
    return new lumetra::USBDevice();
}

void BaseDevice::DeleteDevice(BaseDevice* device) {
    // BaseDevice has no virtual destructor; every device is a USBDevice.
    delete static_cast<lumetra::USBDevice*>(device);
}

// A device the library did not make has nothing to report.
RequestFault BaseDevice::LastRequestFault() const {
    const auto* device = dynamic_cast<const lumetra::USBDevice*>(this);
    return device != nullptr ? device->lastFault : RequestFault::None;
}

bool BaseDevice::EnumUSBDevices(std::vector<DeviceInfo>& list) { return lumetra::EnumerateSupportedCameras(list); }

bool BaseDevice::EnumAllUSBDevices(std::vector<DeviceInfo>& list) { return lumetra::EnumerateAllCameras(list); }

bool BaseDevice::SetNetworkCameras(const std::vector<DeviceInfo>& cameras) {
    return lumetra::SetNetworkCameras(cameras);
}

// The extensions for generic cameras. A device the library did not make
// has no camera behind them.
namespace {

lumetra::USBDevice* OwnDevice(BaseDevice* device) { return dynamic_cast<lumetra::USBDevice*>(device); }
const lumetra::USBDevice* OwnDevice(const BaseDevice* device) {
    return dynamic_cast<const lumetra::USBDevice*>(device);
}

constexpr uint32_t kSupportedCameraAbilities = AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode |
                                               AbilityHome | AbilityCommands;

}  // namespace

bool BaseDevice::OpenAny(const char* indexText, int /*reserved*/) {
    lumetra::USBDevice* device = OwnDevice(this);
    return device != nullptr && device->OpenCamera(indexText, true);
}

uint32_t BaseDevice::Abilities() const {
    const lumetra::USBDevice* device = OwnDevice(this);
    if (device == nullptr) return 0;
    if (device->Network() != nullptr) return lumetra::ViscaCamera::kAbilities;
    if (!device->IsOpen()) return 0;
    return device->Generic() != nullptr ? device->Generic()->Abilities() : kSupportedCameraAbilities;
}

int BaseDevice::StepMoves() {
    lumetra::USBDevice* device = OwnDevice(this);
    if (device == nullptr || device->Generic() == nullptr) return -1;
    return device->Generic()->StepMoves(device->LinkToCamera());
}

bool BaseDevice::GetPosition(CameraPosition& position) {
    lumetra::USBDevice* device = OwnDevice(this);
    if (device == nullptr || device->Generic() == nullptr) return false;
    return device->Generic()->GetPosition(device->LinkToCamera(), position);
}

bool BaseDevice::MoveToPosition(const CameraPosition& position) {
    lumetra::USBDevice* device = OwnDevice(this);
    if (device == nullptr || device->Generic() == nullptr) return false;
    return device->Generic()->MoveToPosition(device->LinkToCamera(), position);
}

std::string BaseDevice::CameraIdentity() const {
    const lumetra::USBDevice* device = OwnDevice(this);
    if (device == nullptr || device->Generic() == nullptr) return {};
    return device->Generic()->Identity();
}

// Winsock start-up and clean-up have no counterpart here; only the per-thread
// initialisation that the device walk checks remains.
void BaseDevice::Initial() { lumetra::platform::InitializeThread(); }

void BaseDevice::Release() { lumetra::platform::UninitializeThread(); }
