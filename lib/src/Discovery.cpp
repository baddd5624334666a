// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The device walk shared by enumeration and Open: both count supported
// cameras the same way, so an index from one is the camera the other binds.
#include "Discovery.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "BstrToString.h"
#include "GenericCamera.h"
#include "network/NetworkCameras.h"

namespace lumetra {

using platform::CaptureFilter;
using platform::DeviceEnumerator;
using platform::HResult;
using platform::kOk;
using platform::Moniker;
using platform::MonikerEnumerator;
using platform::MotionControls;
using platform::PropertyBag;

namespace {

// The system device enumerator, asked for the video-capture category and
// released right after, whatever the answer. Anything but kOk (kFalse is an
// empty category) ends the walk before it starts.
bool OpenVideoInputDevices(std::unique_ptr<MonikerEnumerator>& devices) {
    std::unique_ptr<DeviceEnumerator> systemEnum;
    if (platform::CreateSystemDeviceEnumerator(systemEnum) != kOk || !systemEnum) return false;
    const HResult hr = systemEnum->CreateVideoInputEnumerator(devices);
    systemEnum.reset();
    if (hr != kOk || !devices) {
        devices.reset();
        return false;
    }
    devices->Reset();
    return true;
}

// An unreadable property reads as empty text.
std::string ReadText(PropertyBag& bag, const std::u16string& name) {
    std::u16string value;
    if (platform::Failed(bag.Read(name, value))) return BstrToString(nullptr);
    return BstrToString(&value);
}

struct DeviceTexts {
    std::string friendlyName;
    std::string devicePath;
};

enum class Step { Device, Skipped, End };

// Fetches the next device and reads its two texts. A device without a
// property bag is skipped and never counted.
Step NextDevice(MonikerEnumerator& devices, std::unique_ptr<Moniker>& moniker, DeviceTexts& texts) {
    moniker.reset();
    if (devices.Next(moniker) != kOk || !moniker) return Step::End;
    std::unique_ptr<PropertyBag> bag;
    if (platform::Failed(moniker->BindToStorage(bag)) || !bag) return Step::Skipped;
    texts.friendlyName = ReadText(*bag, u"FriendlyName");
    texts.devicePath = ReadText(*bag, u"DevicePath");
    return Step::Device;
}

// A device met on the walk that may be a generic camera, asked only if
// the walk needs it.
struct Candidate {
    std::unique_ptr<Moniker> moniker;
    DeviceTexts texts;
};

// A generic candidate whose driver reports controls that move it.
bool MovesByItsDriver(Moniker& moniker, MotionControls& controls) {
    controls = MotionControls{};
    return moniker.QueryMotionControls(controls) == kOk && GenericCamera::CanMove(controls);
}

std::string ReadOptionalText(Moniker& moniker, const std::u16string& name) {
    std::unique_ptr<PropertyBag> bag;
    if (platform::Failed(moniker.BindToStorage(bag)) || !bag) return {};
    return ReadText(*bag, name);
}

// The four hex digits after `key` ("vid_"), lower case; empty if none.
std::string HexId(std::string_view path, std::string_view key) {
    const std::size_t at = path.find(key);
    if (at == std::string_view::npos || path.size() < at + key.size() + 4) return {};
    std::string id(path.substr(at + key.size(), 4));
    for (char& c : id) {
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return {};
    }
    return id;
}

// The walk of BindCamera. With `candidates`, keeps the generic candidates
// met on the way for after it; `supported` counts the supported cameras
// passed.
bool BindSupportedCamera(int index, std::unique_ptr<CaptureFilter>& filter, char (&nameBuffer)[kDeviceNameSize],
                         int& supported, std::vector<Candidate>* candidates) {
    supported = 0;
    std::unique_ptr<MonikerEnumerator> devices;
    if (!OpenVideoInputDevices(devices)) return false;
    std::unique_ptr<Moniker> moniker;
    DeviceTexts texts;
    for (Step step; (step = NextDevice(*devices, moniker, texts)) != Step::End;) {
        if (step == Step::Skipped) continue;
        if (candidates != nullptr && IsGenericCandidatePath(texts.devicePath)) {
            candidates->push_back({std::move(moniker), std::move(texts)});
            continue;
        }
        if (!IsSupportedCameraPath(texts.devicePath)) continue;
        if (supported != index) {
            ++supported;
            continue;
        }
        // Not tested: a failed bind leaves `filter` empty and Open then
        // obtains no interface.
        filter.reset();
        moniker->BindToObject(filter);
        moniker.reset();
        devices.reset();
        CopyName(texts.friendlyName, nameBuffer);
        return true;
    }
    return false;
}

}  // namespace

void CopyName(const std::string& name, char (&buffer)[kDeviceNameSize]) {
    std::size_t length = std::min(name.size(), kDeviceNameSize - 1);
    if (length < name.size()) {
        // Cut before the character that would not fit whole.
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
}

bool IsSupportedCameraPath(std::string_view devicePath) {
    return std::any_of(CameraIdPatterns.begin(), CameraIdPatterns.end(),
                       [&](std::string_view p) { return devicePath.find(p) != std::string_view::npos; });
}

bool EnumerateSupportedCameras(std::vector<DeviceInfo>& list) {
    std::unique_ptr<MonikerEnumerator> devices;
    if (!OpenVideoInputDevices(devices)) return false;
    list.clear();
    int32_t counter = 0;
    std::unique_ptr<Moniker> moniker;
    DeviceTexts texts;
    for (Step step; (step = NextDevice(*devices, moniker, texts)) != Step::End;) {
        if (step == Step::Skipped || !IsSupportedCameraPath(texts.devicePath)) continue;
        DeviceInfo info;
        info.index = counter++;
        info.friendlyName = std::move(texts.friendlyName);
        info.devicePath = std::move(texts.devicePath);
        list.push_back(std::move(info));
    }
    return true;
}

bool BindCamera(int index, std::unique_ptr<CaptureFilter>& filter, char (&nameBuffer)[kDeviceNameSize]) {
    int supported = 0;
    return BindSupportedCamera(index, filter, nameBuffer, supported, nullptr);
}

bool IsGenericCandidatePath(std::string_view devicePath) {
    return devicePath.substr(0, 8) == "\\\\?\\usb#" && !IsSupportedCameraPath(devicePath);
}

bool EnumerateAllCameras(std::vector<DeviceInfo>& list) {
    std::vector<DeviceInfo> network = NetworkCameras();
    auto numbered = [&list, &network](std::vector<DeviceInfo> usb) {
        list = std::move(usb);
        for (DeviceInfo& info : network) list.push_back(std::move(info));
        for (std::size_t i = 0; i < list.size(); ++i) list[i].index = static_cast<int32_t>(i);
        return true;
    };
    std::unique_ptr<MonikerEnumerator> devices;
    if (!OpenVideoInputDevices(devices)) return !network.empty() && numbered({});
    std::vector<DeviceInfo> supported, generic;
    std::unique_ptr<Moniker> moniker;
    DeviceTexts texts;
    MotionControls controls;
    for (Step step; (step = NextDevice(*devices, moniker, texts)) != Step::End;) {
        if (step == Step::Skipped) continue;
        std::vector<DeviceInfo>* kind = nullptr;
        if (IsSupportedCameraPath(texts.devicePath)) kind = &supported;
        else if (IsGenericCandidatePath(texts.devicePath) && MovesByItsDriver(*moniker, controls)) kind = &generic;
        if (kind == nullptr) continue;
        DeviceInfo info;
        info.friendlyName = std::move(texts.friendlyName);
        info.devicePath = std::move(texts.devicePath);
        kind->push_back(std::move(info));
    }
    for (DeviceInfo& info : generic) supported.push_back(std::move(info));
    return numbered(std::move(supported));
}

bool BindAnyCamera(int index, std::unique_ptr<CaptureFilter>& filter, char (&nameBuffer)[kDeviceNameSize],
                   GenericCameraFacts& facts) {
    facts = GenericCameraFacts{};
    // Generic cameras come after every supported one, so the walk learns
    // where they start only at its end; until then their candidates are
    // kept, unasked.
    std::vector<Candidate> candidates;
    int counter = 0;
    if (BindSupportedCamera(index, filter, nameBuffer, counter, &candidates)) return true;
    if (index < counter) return false;
    int generic = counter;
    for (Candidate& candidate : candidates) {
        MotionControls controls;
        if (!MovesByItsDriver(*candidate.moniker, controls)) continue;
        if (generic++ != index) continue;
        filter.reset();
        candidate.moniker->BindToObject(filter);
        CopyName(candidate.texts.friendlyName, nameBuffer);
        facts.generic = true;
        facts.controls = controls;
        facts.identity = CameraIdentityOf(candidate.texts.devicePath,
                                          ReadOptionalText(*candidate.moniker, u"UsbSerial"),
                                          ReadOptionalText(*candidate.moniker, u"UsbPort"));
        return true;
    }
    facts.usbCameras = generic;
    return false;
}

std::string CameraIdentityOf(std::string_view devicePath, const std::string& serial, const std::string& port) {
    const std::string vendor = HexId(devicePath, "vid_"), product = HexId(devicePath, "pid_");
    if (vendor.empty() || product.empty()) return "path " + std::string(devicePath);
    const std::string ids = vendor + ":" + product;
    if (!serial.empty()) return ids + " serial " + serial;
    if (!port.empty()) return ids + " port " + port;
    return ids + " path " + std::string(devicePath);
}

}  // namespace lumetra
