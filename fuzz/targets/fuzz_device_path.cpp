// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Which devices are cameras: the device-path match of discovery over any
// list of devices with any texts, the numbering that enumeration and Open
// share, Open's index text, and the device paths the V4L2 backend makes
// from a node's USB ids.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BstrToString.h"
#include "Discovery.h"
#include "FuzzCheck.h"
#include "lumetra/BaseDevice.h"
#include "platform/Platform.h"
#include "platform/Utf16.h"
#include "platform/sim/SimBus.h"
#include "platform/v4l2/DevicePath.h"

using namespace lumetra;
using namespace lumetra::platform;

namespace {

// The supported models, by the fragments of their device paths.
bool MatchesAModel(const std::string& path) {
    for (const char* fragment : {"pid_8888", "pid_7588", "vid_0000&pid_00f9"})
        if (path.find(fragment) != std::string::npos) return true;
    return false;
}

// Texts a device may carry: fuzz bytes, sometimes around a real camera id.
std::string SomeText(FuzzedDataProvider& in) {
    std::string text = in.ConsumeRandomLengthString(1200);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 1: return text + "\\\\?\\usb#vid_0000&pid_8888&mi_00#" + in.ConsumeRandomLengthString(20);
    case 2: return "\\\\?\\usb#vid_0000&pid_00f" + text;
    default: return text;
    }
}

struct Device {
    sim::SimCameraModel model;
    std::string name;  // as the library hands it out
    std::string path;
};

// atoi's reading of `text`, saturated to int.
int IndexOf(const std::string& text) {
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

void Discovery(FuzzedDataProvider& in) {
    sim::SimBus bus;
    std::vector<Device> devices(in.ConsumeIntegralInRange<size_t>(0, 6));
    for (size_t i = 0; i < devices.size(); ++i) {
        Device& d = devices[i];
        if (in.ConsumeProbability<float>() < 0.9f) d.model.friendlyName = SomeText(in);
        if (in.ConsumeProbability<float>() < 0.9f) d.model.devicePath = SomeText(in);
        d.model.noPropertyBag = in.ConsumeProbability<float>() < 0.1f;
        d.model.bindFails = in.ConsumeProbability<float>() < 0.1f;
        // An unreadable text reads as empty text.
        const std::u16string wideName = Utf8ToUtf16(d.model.friendlyName.value_or(""));
        const std::u16string widePath = Utf8ToUtf16(d.model.devicePath.value_or(""));
        d.name = BstrToString(&wideName);
        d.path = BstrToString(&widePath);
        bus.Plug("dev" + std::to_string(i), d.model);
    }
    SetBackendForTesting(bus.CreateBackend());
    BaseDevice::Initial();

    std::vector<const Device*> cameras;
    for (const Device& d : devices)
        if (!d.model.noPropertyBag && MatchesAModel(d.path)) cameras.push_back(&d);

    std::vector<DeviceInfo> list;
    const bool listed = BaseDevice::EnumUSBDevices(list);
    FUZZ_CHECK(listed == !devices.empty());
    if (listed) {
        FUZZ_CHECK(list.size() == cameras.size());
        for (size_t i = 0; i < list.size(); ++i) {
            FUZZ_CHECK(list[i].index == static_cast<int32_t>(i));
            FUZZ_CHECK(list[i].friendlyName == cameras[i]->name);
            FUZZ_CHECK(list[i].devicePath == cameras[i]->path);
            FUZZ_CHECK(IsSupportedCameraPath(list[i].devicePath));
        }
    }

    // Open binds the camera of the same number, and hands out its name cut
    // to the buffer on a character boundary.
    for (size_t i = 0; i <= cameras.size(); ++i) {
        std::unique_ptr<CaptureFilter> filter;
        char name[kDeviceNameSize];
        const bool reached = BindCamera(static_cast<int>(i), filter, name);
        FUZZ_CHECK(reached == (i < cameras.size()));
        if (!reached) continue;
        FUZZ_CHECK(static_cast<bool>(filter) == !cameras[i]->model.bindFails);
        const std::string& full = cameras[i]->name;
        const size_t length = std::strlen(name);
        FUZZ_CHECK(length < kDeviceNameSize);
        FUZZ_CHECK(full.compare(0, length, name) == 0);
        if (length < full.size()) {
            // Cut only where the name does not fit, before a whole character.
            FUZZ_CHECK(full.size() > kDeviceNameSize - 1);
            FUZZ_CHECK((static_cast<unsigned char>(full[length]) & 0xC0) != 0x80);
            FUZZ_CHECK(length + 3 >= kDeviceNameSize - 1);
        }
    }

    BaseDevice* device = BaseDevice::CreateDevice(USB);
    const std::string indexText = in.ConsumeRandomLengthString(24);
    const int index = IndexOf(indexText);
    const bool opened = device->Open(indexText.c_str(), 1);
    const bool reachable = index >= 0 && static_cast<size_t>(index) < cameras.size();
    FUZZ_CHECK(opened == (reachable && !cameras[static_cast<size_t>(index)]->model.bindFails));
    device->Close();
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();
    SetBackendForTesting(nullptr);
}

// The V4L2 backend's device path of a node: a supported camera exactly when
// the node is a uvcvideo capture node whose USB ids are a supported model's,
// whatever sysfs said about the rest.
void V4l2Path(FuzzedDataProvider& in) {
    v4l2::VideoNode node;
    node.number = in.ConsumeIntegral<unsigned>();
    node.name = in.ConsumeRandomLengthString(64);
    const bool onUsb = in.ConsumeBool();
    const bool isUvcCapture = in.ConsumeBool();
    uint16_t vendor = 0, product = 0;
    v4l2::UsbAddress address;
    if (onUsb) {
        v4l2::UsbParent usb;
        usb.vendorId = vendor = in.ConsumeIntegral<uint16_t>();
        usb.productId = product = in.ConsumeIntegral<uint16_t>();
        usb.interfaceNumber = in.ConsumeIntegral<uint8_t>();
        usb.interfaceName = in.ConsumeRandomLengthString(64);
        address.busNumber = in.ConsumeIntegral<unsigned>();
        address.deviceNumber = in.ConsumeIntegral<unsigned>();
        node.usb = usb;
    }
    const std::string path = v4l2::DevicePathOf(node, isUvcCapture);
    const bool model = product == 0x8888 || product == 0x7588 || (vendor == 0 && product == 0x00f9);
    FUZZ_CHECK(IsSupportedCameraPath(path) == (onUsb && isUvcCapture && model));
    FUZZ_CHECK(path.rfind("\\\\?\\", 0) == 0);
    FUZZ_CHECK(path.size() < 128);

    const std::string usbfs = address.UsbfsPath();
    if (!usbfs.empty()) FUZZ_CHECK(usbfs.rfind("/dev/bus/usb/", 0) == 0 && usbfs.find("..") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) Discovery(in);
    else V4l2Path(in);
    // Whatever the path, the match is a plain search for a model's fragment.
    const std::string any = in.ConsumeRemainingBytesAsString();
    FUZZ_CHECK(IsSupportedCameraPath(any) == MatchesAModel(any));
    return 0;
}
