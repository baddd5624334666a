// The device walk shared by enumeration and Open: both count supported
// cameras the same way, so an index from one is the camera the other binds.
#include "Discovery.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "BstrToString.h"

namespace lumetra {

using platform::CaptureFilter;
using platform::DeviceEnumerator;
using platform::HResult;
using platform::kOk;
using platform::Moniker;
using platform::MonikerEnumerator;
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
Step NextDevice(MonikerEnumerator& devices, std::unique_ptr<Moniker>& moniker,
                DeviceTexts& texts) {
    moniker.reset();
    if (devices.Next(moniker) != kOk || !moniker) return Step::End;
    std::unique_ptr<PropertyBag> bag;
    if (platform::Failed(moniker->BindToStorage(bag)) || !bag) return Step::Skipped;
    texts.friendlyName = ReadText(*bag, u"FriendlyName");
    texts.devicePath = ReadText(*bag, u"DevicePath");
    return Step::Device;
}

void CopyName(const std::string& name, char (&buffer)[kDeviceNameSize]) {
    std::size_t length = std::min(name.size(), kDeviceNameSize - 1);
    if (length < name.size()) {
        // Cut before the character that would not fit whole.
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
}

}  // namespace

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

bool BindCamera(int index, std::unique_ptr<CaptureFilter>& filter,
                char (&nameBuffer)[kDeviceNameSize]) {
    std::unique_ptr<MonikerEnumerator> devices;
    if (!OpenVideoInputDevices(devices)) return false;
    int counter = 0;
    std::unique_ptr<Moniker> moniker;
    DeviceTexts texts;
    for (Step step; (step = NextDevice(*devices, moniker, texts)) != Step::End;) {
        if (step == Step::Skipped || !IsSupportedCameraPath(texts.devicePath)) continue;
        if (counter != index) {
            ++counter;
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

}  // namespace lumetra
