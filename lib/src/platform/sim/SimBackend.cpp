// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The COM-shaped objects of the simulated bus. Every object holds the
// camera it stands for, so it stays valid however long a caller keeps it;
// an unplugged camera answers every call with kDeviceGone.
#include "platform/sim/SimBackend.h"

#include "platform/KsProperties.h"
#include "platform/Utf16.h"

namespace lumetra::platform::sim {
namespace {

using CameraPtr = std::shared_ptr<SimCamera>;

template <typename Interface>
class SimPropertyControl final : public Interface {
public:
    SimPropertyControl(CameraPtr camera, PropertySet set) : camera_(std::move(camera)), set_(set) {}
    HResult Get(int32_t property, int32_t* value, int32_t* flags) override {
        return camera_->Get(set_, property, value, flags);
    }
    HResult GetPair(int32_t property, int32_t* value1, int32_t* value2, int32_t* flags) override {
        return camera_->GetPair(set_, property, value1, value2, flags);
    }
    HResult GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* defaultValue,
                     int32_t* capsFlags) override {
        return camera_->GetRange(set_, property, min, max, step, defaultValue, capsFlags);
    }
    HResult Set(int32_t property, int32_t value, int32_t flags) override {
        return camera_->Set(set_, property, value, flags);
    }

private:
    CameraPtr camera_;
    PropertySet set_;
};

class SimKsPropertySet final : public KsPropertySet {
public:
    explicit SimKsPropertySet(CameraPtr camera) : camera_(std::move(camera)) {}
    HResult Set(PropertySet set, uint32_t id, const void* instance, uint32_t instanceLength, const void* data,
                uint32_t dataLength) override {
        return camera_->KsSet(set, id, instance, instanceLength, data, dataLength);
    }

private:
    CameraPtr camera_;
};

class SimKsControl final : public KsControl {
public:
    explicit SimKsControl(CameraPtr camera) : camera_(std::move(camera)) {}

private:
    CameraPtr camera_;
};

class SimFilter final : public CaptureFilter {
public:
    explicit SimFilter(CameraPtr camera) : camera_(std::move(camera)) {}

    HResult QueryVideoProcAmp(std::unique_ptr<VideoProcAmp>& out) override {
        return Query(out, camera_->Model().noVideoProcAmp, [this] {
            return std::make_unique<SimPropertyControl<VideoProcAmp>>(camera_, PropertySet::VideoProcAmp);
        });
    }
    HResult QueryKsControl(std::unique_ptr<KsControl>& out) override {
        return Query(out, camera_->Model().noKsControl, [this] { return std::make_unique<SimKsControl>(camera_); });
    }
    HResult QueryKsPropertySet(std::unique_ptr<KsPropertySet>& out) override {
        return Query(out, camera_->Model().noKsPropertySet,
                     [this] { return std::make_unique<SimKsPropertySet>(camera_); });
    }
    HResult QueryCameraControl(std::unique_ptr<CameraControl>& out) override {
        return Query(out, camera_->Model().noCameraControl, [this] {
            return std::make_unique<SimPropertyControl<CameraControl>>(camera_, PropertySet::CameraControl);
        });
    }

private:
    template <typename Interface, typename Make>
    HResult Query(std::unique_ptr<Interface>& out, bool missing, Make make) {
        out.reset();
        if (!camera_->Plugged()) return kDeviceGone;
        if (missing) return kNoInterface;
        out = make();
        return kOk;
    }

    CameraPtr camera_;
};

class SimPropertyBag final : public PropertyBag {
public:
    explicit SimPropertyBag(CameraPtr camera) : camera_(std::move(camera)) {}
    HResult Read(const std::u16string& name, std::u16string& value) override {
        if (!camera_->Plugged()) return kDeviceGone;
        const SimCameraModel& model = camera_->Model();
        const std::optional<std::string>* text = nullptr;
        const std::optional<std::string> port = model.port.value_or(camera_->LogName());
        if (name == u"FriendlyName") text = &model.friendlyName;
        if (name == u"DevicePath") text = &model.devicePath;
        if (name == u"UsbSerial") text = &model.serial;
        if (name == u"UsbPort") text = &port;
        if (text == nullptr || !text->has_value()) return kNotFound;
        value = Utf8ToUtf16(**text);
        return kOk;
    }

private:
    CameraPtr camera_;
};

class SimMoniker final : public Moniker {
public:
    explicit SimMoniker(CameraPtr camera) : camera_(std::move(camera)) {}
    HResult BindToStorage(std::unique_ptr<PropertyBag>& out) override {
        out.reset();
        if (!camera_->Plugged()) return kDeviceGone;
        if (camera_->Model().noPropertyBag) return kFail;
        out = std::make_unique<SimPropertyBag>(camera_);
        return kOk;
    }
    HResult BindToObject(std::unique_ptr<CaptureFilter>& out) override {
        out.reset();
        if (!camera_->Plugged()) return kDeviceGone;
        if (camera_->Model().bindFails) return kFail;
        out = std::make_unique<SimFilter>(camera_);
        return kOk;
    }
    HResult QueryMotionControls(MotionControls& out) override {
        out = MotionControls{};
        if (!camera_->Plugged()) return kDeviceGone;
        const SimCameraModel& model = camera_->Model();
        if (!model.describesPtzControls) return kOk;
        const auto range = [&model](uint32_t id, ControlRange& control) {
            const auto it = model.cameraControl.find(id);
            if (it == model.cameraControl.end()) return;
            control = {true, it->second.min, it->second.max, it->second.step, it->second.defaultValue};
        };
        namespace cc = CameraControlId;
        range(cc::Pan, out.pan);
        range(cc::Tilt, out.tilt);
        range(cc::Zoom, out.zoom);
        range(cc::Focus, out.focus);
        range(cc::PanRelative, out.panSpeed);
        range(cc::TiltRelative, out.tiltSpeed);
        range(cc::ZoomRelative, out.zoomSpeed);
        range(cc::FocusRelative, out.focusSpeed);
        const auto focus = model.cameraControl.find(cc::Focus);
        out.focusAuto = focus != model.cameraControl.end() && focus->second.hasAuto;
        return kOk;
    }

private:
    CameraPtr camera_;
};

class SimMonikerEnumerator final : public MonikerEnumerator {
public:
    explicit SimMonikerEnumerator(std::vector<CameraPtr> devices) : devices_(std::move(devices)) {}
    HResult Reset() override {
        next_ = 0;
        return kOk;
    }
    HResult Next(std::unique_ptr<Moniker>& out) override {
        out.reset();
        if (next_ >= devices_.size()) return kFalse;
        out = std::make_unique<SimMoniker>(devices_[next_++]);
        return kOk;
    }

private:
    std::vector<CameraPtr> devices_;
    std::size_t next_ = 0;
};

class SimDeviceEnumerator final : public DeviceEnumerator {
public:
    explicit SimDeviceEnumerator(std::shared_ptr<SimDeviceSource> source) : source_(std::move(source)) {}
    HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& out) override {
        out.reset();
        std::vector<CameraPtr> devices;
        const HResult hr = source_->Scan(devices);
        if (Failed(hr)) return hr;
        if (devices.empty()) return kFalse;
        out = std::make_unique<SimMonikerEnumerator>(std::move(devices));
        return kOk;
    }

private:
    std::shared_ptr<SimDeviceSource> source_;
};

class SimBackend final : public Backend {
public:
    explicit SimBackend(std::shared_ptr<SimDeviceSource> source) : source_(std::move(source)) {}
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& out) override {
        out.reset();
        const HResult hr = source_->OpenDeviceEnumerator();
        if (hr != kOk) return hr;
        out = std::make_unique<SimDeviceEnumerator>(source_);
        return kOk;
    }

private:
    std::shared_ptr<SimDeviceSource> source_;
};

}  // namespace

std::unique_ptr<Backend> CreateSimBackend(std::shared_ptr<SimDeviceSource> source) {
    return std::make_unique<SimBackend>(std::move(source));
}

}  // namespace lumetra::platform::sim
