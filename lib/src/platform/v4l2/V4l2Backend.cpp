// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/V4l2Backend.h"

#include <cstring>
#include <optional>
#include <vector>

#include "platform/Backends.h"
#include "platform/KsProperties.h"
#include "platform/Utf16.h"
#include "platform/v4l2/CameraBinding.h"
#include "platform/v4l2/DevicePath.h"
#include "platform/v4l2/PropertyRequests.h"
#include "platform/v4l2/RoutingTable.h"
#include "platform/v4l2/SysfsVideoNodes.h"

namespace lumetra::platform::v4l2 {
namespace {

// Reads the request buffer the library sends: the 40-byte S2 layout or the
// 48-byte node layout of the white-balance component pair.
HResult ReadRequest(const void* buffer, uint32_t length, PropertyRequest& request) {
    int32_t words[NodeRequest::kBytes / 4] = {};
    if (buffer == nullptr || (length != SetRequest::kBytes && length != NodeRequest::kBytes)) return kInvalidArg;
    std::memcpy(words, buffer, length);
    const bool node = length == NodeRequest::kBytes;
    request.value1 = words[node ? NodeRequest::kValue1 : SetRequest::kValue1];
    request.flags = words[node ? NodeRequest::kFlags : SetRequest::kFlags];
    request.value2 = words[node ? NodeRequest::kValue2 : SetRequest::kValue2];
    return kOk;
}

class V4l2PropertySet final : public KsPropertySet {
public:
    explicit V4l2PropertySet(std::shared_ptr<CameraBinding> camera) : camera_(std::move(camera)) {}
    HResult Set(PropertySet set, uint32_t id, const void* instance, uint32_t instanceLength, const void* data,
                uint32_t dataLength) override {
        const Route* route = FindRoute(set, id);
        if (route == nullptr) return kNotFound;
        PropertyRequest request;
        const HResult hr = data != nullptr ? ReadRequest(data, dataLength, request)
                                           : ReadRequest(instance, instanceLength, request);
        if (Failed(hr)) return hr;
        return SetProperty(*camera_, *route, request);
    }

private:
    std::shared_ptr<CameraBinding> camera_;
};

class V4l2KsControl final : public KsControl {
public:
    explicit V4l2KsControl(std::shared_ptr<CameraBinding> camera) : camera_(std::move(camera)) {}

private:
    std::shared_ptr<CameraBinding> camera_;
};

// IAMCameraControl and IAMVideoProcAmp: the same rows, one property set each.
template <typename Interface, PropertySet kSet>
class V4l2PropertyControl final : public Interface {
public:
    explicit V4l2PropertyControl(std::shared_ptr<CameraBinding> camera) : camera_(std::move(camera)) {}
    HResult Get(int32_t property, int32_t* value, int32_t* flags) override {
        const Route* route = Find(property);
        if (route == nullptr) return kNotFound;
        int32_t v = 0, f = 0;
        const HResult hr = GetProperty(*camera_, *route, v, f);
        if (Failed(hr)) return hr;
        if (value != nullptr) *value = v;
        if (flags != nullptr) *flags = f;
        return kOk;
    }
    HResult GetPair(int32_t property, int32_t* value1, int32_t* value2, int32_t* flags) override {
        const Route* route = Find(property);
        if (route == nullptr) return kNotFound;
        int32_t v1 = 0, v2 = 0, f = 0;
        const HResult hr = GetPropertyPair(*camera_, *route, v1, v2, f);
        if (Failed(hr)) return hr;
        if (value1 != nullptr) *value1 = v1;
        if (value2 != nullptr) *value2 = v2;
        if (flags != nullptr) *flags = f;
        return kOk;
    }
    HResult GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* defaultValue,
                     int32_t* capsFlags) override {
        const Route* route = Find(property);
        if (route == nullptr) return kNotFound;
        int32_t lo = 0, hi = 0, delta = 0, def = 0, caps = 0;
        const HResult hr = GetPropertyRange(*camera_, *route, lo, hi, delta, def, caps);
        if (Failed(hr)) return hr;
        if (min != nullptr) *min = lo;
        if (max != nullptr) *max = hi;
        if (step != nullptr) *step = delta;
        if (defaultValue != nullptr) *defaultValue = def;
        if (capsFlags != nullptr) *capsFlags = caps;
        return kOk;
    }
    HResult Set(int32_t property, int32_t value, int32_t flags) override {
        const Route* route = Find(property);
        // One value cannot carry both halves of the white-balance pair.
        if (route == nullptr || route->carrier == Carrier::V4l2Balance) return kNotFound;
        PropertyRequest request;
        request.value1 = value;
        request.flags = flags;
        return SetProperty(*camera_, *route, request);
    }

private:
    static const Route* Find(int32_t property) {
        return property < 0 ? nullptr : FindRoute(kSet, static_cast<uint32_t>(property));
    }
    std::shared_ptr<CameraBinding> camera_;
};
using V4l2CameraControl = V4l2PropertyControl<CameraControl, PropertySet::CameraControl>;
using V4l2VideoProcAmp = V4l2PropertyControl<VideoProcAmp, PropertySet::VideoProcAmp>;

class V4l2CaptureFilter final : public CaptureFilter {
public:
    explicit V4l2CaptureFilter(std::shared_ptr<CameraBinding> camera) : camera_(std::move(camera)) {}
    HResult QueryVideoProcAmp(std::unique_ptr<VideoProcAmp>& out) override {
        out = std::make_unique<V4l2VideoProcAmp>(camera_);
        return kOk;
    }
    HResult QueryKsControl(std::unique_ptr<KsControl>& out) override {
        out = std::make_unique<V4l2KsControl>(camera_);
        return kOk;
    }
    HResult QueryKsPropertySet(std::unique_ptr<KsPropertySet>& out) override {
        out = std::make_unique<V4l2PropertySet>(camera_);
        return kOk;
    }
    HResult QueryCameraControl(std::unique_ptr<CameraControl>& out) override {
        out = std::make_unique<V4l2CameraControl>(camera_);
        return kOk;
    }
    void KeepToDriver() override { camera_->KeepToDriver(); }

private:
    std::shared_ptr<CameraBinding> camera_;
};

class V4l2PropertyBag final : public PropertyBag {
public:
    V4l2PropertyBag(std::u16string friendlyName, std::u16string devicePath, std::shared_ptr<Syscalls> sys,
                    std::optional<UsbParent> usb)
        : friendlyName_(std::move(friendlyName)),
          devicePath_(std::move(devicePath)),
          sys_(std::move(sys)),
          usb_(std::move(usb)) {}
    HResult Read(const std::u16string& name, std::u16string& value) override {
        if (name == u"FriendlyName") value = friendlyName_;
        else if (name == u"DevicePath") value = devicePath_;
        else if (name == u"UsbSerial") return ReadSerial(value);
        else if (name == u"UsbPort") return ReadPort(value);
        else return kNotFound;
        return kOk;
    }

private:
    // Read only when asked: the walk over every node never asks.
    HResult ReadSerial(std::u16string& value) {
        if (!usb_) return kNotFound;
        std::string serial;
        const int result = ReadWholeFile(*sys_, usb_->deviceDirectory + "/serial", serial, 256);
        if (result < 0) return HResultFromErrno(result);
        while (!serial.empty() && (serial.back() == '\n' || serial.back() == ' ')) serial.pop_back();
        if (serial.empty()) return kNotFound;
        value = Utf8ToUtf16(serial);
        return kOk;
    }
    // "1-1.2:1.0" is interface 0 of configuration 1 of the device on port
    // 2 of the hub on port 1 of bus 1: the place is before the colon.
    HResult ReadPort(std::u16string& value) {
        if (!usb_ || usb_->interfaceName.empty()) return kNotFound;
        value = Utf8ToUtf16(usb_->interfaceName.substr(0, usb_->interfaceName.find(':')));
        return kOk;
    }

    std::u16string friendlyName_;
    std::u16string devicePath_;
    std::shared_ptr<Syscalls> sys_;
    std::optional<UsbParent> usb_;
};

class V4l2Moniker final : public Moniker {
public:
    V4l2Moniker(BindingContext context, VideoNode node)
        : context_(std::move(context)), sys_(context_.sys), node_(std::move(node)) {}

    // A node on USB is asked what it is (capture or metadata, uvcvideo or
    // not); one that cannot be asked has no property bag and is skipped.
    HResult BindToStorage(std::unique_ptr<PropertyBag>& out) override {
        out.reset();
        bool isUvcCapture = false;
        if (node_.usb) {
            const int fd = OpenVideoNode(*sys_, node_);
            if (fd < 0) return HResultFromErrno(fd);
            const HResult check = CheckUvcCaptureNode(*sys_, fd);
            sys_->Close(fd);
            if (Failed(check)) return check;
            isUvcCapture = check == kOk;
        }
        out = std::make_unique<V4l2PropertyBag>(Utf8ToUtf16(node_.name), Utf8ToUtf16(DevicePathOf(node_, isUvcCapture)),
                                                sys_, isUvcCapture ? node_.usb : std::nullopt);
        return kOk;
    }

    HResult QueryMotionControls(MotionControls& out) override {
        out = MotionControls{};
        if (!node_.usb) return kNotFound;
        const int fd = OpenVideoNode(*sys_, node_);
        if (fd < 0) return HResultFromErrno(fd);
        HResult hr = CheckUvcCaptureNode(*sys_, fd);
        if (hr == kOk) hr = v4l2::QueryMotionControls(*sys_, fd, out);
        sys_->Close(fd);
        return hr == kFalse ? kNotFound : hr;
    }

    HResult BindToObject(std::unique_ptr<CaptureFilter>& out) override {
        out.reset();
        std::shared_ptr<CameraBinding> camera;
        const HResult hr = CameraBinding::Bind(context_, node_, camera);
        if (Failed(hr)) return hr;
        out = std::make_unique<V4l2CaptureFilter>(std::move(camera));
        return kOk;
    }

private:
    BindingContext context_;
    std::shared_ptr<Syscalls> sys_;
    VideoNode node_;
};

class V4l2MonikerEnumerator final : public MonikerEnumerator {
public:
    V4l2MonikerEnumerator(BindingContext context, std::vector<VideoNode> nodes)
        : context_(std::move(context)), nodes_(std::move(nodes)) {}
    HResult Reset() override {
        next_ = 0;
        return kOk;
    }
    HResult Next(std::unique_ptr<Moniker>& out) override {
        out.reset();
        if (next_ >= nodes_.size()) return kFalse;
        out = std::make_unique<V4l2Moniker>(context_, nodes_[next_++]);
        return kOk;
    }

private:
    BindingContext context_;
    std::vector<VideoNode> nodes_;
    size_t next_ = 0;
};

class V4l2DeviceEnumerator final : public DeviceEnumerator {
public:
    V4l2DeviceEnumerator(const V4l2Environment& environment, std::shared_ptr<RoadMemory> roads)
        : environment_(environment), roads_(std::move(roads)) {}
    HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& out) override {
        out.reset();
        std::vector<VideoNode> nodes;
        const HResult hr = ListVideoNodes(environment_.sysfsRoot, *environment_.sys, nodes);
        if (hr != kOk) return hr;
        out = std::make_unique<V4l2MonikerEnumerator>(BindingContext{environment_.sys, environment_.procRoot, roads_},
                                                      std::move(nodes));
        return kOk;
    }

private:
    V4l2Environment environment_;
    std::shared_ptr<RoadMemory> roads_;
};

class V4l2BackendImpl final : public Backend {
public:
    explicit V4l2BackendImpl(V4l2Environment environment) : environment_(std::move(environment)) {}
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& out) override {
        out = std::make_unique<V4l2DeviceEnumerator>(environment_, roads_);
        return kOk;
    }

private:
    V4l2Environment environment_;
    // Which road reaches each camera, for as long as the process runs.
    std::shared_ptr<RoadMemory> roads_ = std::make_shared<RoadMemory>();
};

}  // namespace

std::unique_ptr<Backend> CreateV4l2Backend(V4l2Environment environment) {
    if (!environment.sys) environment.sys = SystemSyscalls();
    return std::make_unique<V4l2BackendImpl>(std::move(environment));
}

}  // namespace lumetra::platform::v4l2

namespace lumetra::platform {

std::unique_ptr<Backend> CreateV4l2Backend() { return v4l2::CreateV4l2Backend(v4l2::V4l2Environment{}); }

}  // namespace lumetra::platform
