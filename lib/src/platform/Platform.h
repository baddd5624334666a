// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The platform layer: the few system services the library's own code relies
// on (device enumeration, per-device property texts, binding a capture
// filter, and the camera property interfaces), in the shape of the Windows
// services they stand in for. Two backends implement it: V4L2 (real cameras)
// and the simulated bus (LUMETRA_SIM_DIR, or in-process for tests).
//
// Every call returns an HResult: negative is failure, 0 is S_OK, 1 is S_FALSE.
// Nothing here throws (other than std::bad_alloc), prints or logs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lumetra::platform {

using HResult = int32_t;
constexpr HResult kOk = 0;
constexpr HResult kFalse = 1;
constexpr HResult kFail = static_cast<HResult>(0x80004005);            // E_FAIL
constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);     // E_NOINTERFACE
constexpr HResult kNotInitialized = static_cast<HResult>(0x800401F0);  // CO_E_NOTINITIALIZED
constexpr HResult kNotFound = static_cast<HResult>(0x80070490);        // ERROR_NOT_FOUND
constexpr HResult kDeviceGone = static_cast<HResult>(0x8007048F);      // ERROR_DEVICE_NOT_CONNECTED
constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);    // E_ACCESSDENIED
constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057);      // E_INVALIDARG
constexpr HResult kIoError = static_cast<HResult>(0x8007001F);         // ERROR_GEN_FAILURE
// The camera refuses requests addressed to the device, and another program
// holds it, so the driver cannot lend its interface for one.
constexpr HResult kBusy = static_cast<HResult>(0x800700AA);  // ERROR_BUSY
// The camera did not answer a request at all.
constexpr HResult kTimeout = static_cast<HResult>(0x800705B4);  // ERROR_TIMEOUT

inline bool Failed(HResult hr) { return hr < 0; }

// The two kernel-streaming property sets the library uses.
enum class PropertySet { CameraControl, VideoProcAmp };

// Kernel-streaming flag words.
constexpr int32_t kFlagsAbsolute = 0x0;
constexpr int32_t kFlagsAuto = 0x1;
constexpr int32_t kFlagsManual = 0x2;
constexpr int32_t kFlagsRelative = 0x10;

// IKsPropertySet: carries every request the library sends. `instance` and
// `data` are the request buffer (40-byte KSPROPERTY_*_S2 or 48-byte
// KSPROPERTY_VIDEOPROCAMP_NODE_S2 layout, 32-bit little-endian words).
class KsPropertySet {
public:
    virtual ~KsPropertySet() = default;
    virtual HResult Set(PropertySet set, uint32_t id, const void* instance, uint32_t instanceLength, const void* data,
                        uint32_t dataLength) = 0;
};

// IKsControl: obtained and held by an open device, never used.
class KsControl {
public:
    virtual ~KsControl() = default;
};

// IAMCameraControl / IAMVideoProcAmp: reads, ranges and plain sets by id.
class PropertyControl {
public:
    virtual ~PropertyControl() = default;
    virtual HResult Get(int32_t property, int32_t* value, int32_t* flags) = 0;
    virtual HResult GetRange(int32_t property, int32_t* min, int32_t* max, int32_t* step, int32_t* defaultValue,
                             int32_t* capsFlags) = 0;
    virtual HResult Set(int32_t property, int32_t value, int32_t flags) = 0;
    // Both halves of a two-value property (the white-balance component
    // pair: blue, red) with its mode flags; kNotFound where none is carried.
    virtual HResult GetPair(int32_t property, int32_t* value1, int32_t* value2, int32_t* flags) {
        (void)property, (void)value1, (void)value2, (void)flags;
        return kNotFound;
    }
};
class CameraControl : public PropertyControl {};
class VideoProcAmp : public PropertyControl {};

// What the camera's driver reports of one pan, tilt, zoom or focus control.
// For a speed (relative) control, the range is the one the driver carries:
// a driver that would clamp speeds reports the range it clamps them into.
struct ControlRange {
    bool present = false;
    int32_t min = 0;
    int32_t max = 0;
    int32_t step = 0;
    int32_t defaultValue = 0;
};

// The controls that move a camera, as its driver reports them; a matter of
// the driver's description, so asking sends the camera no request.
struct MotionControls {
    ControlRange pan, tilt, zoom, focus;                      // absolute
    ControlRange panSpeed, tiltSpeed, zoomSpeed, focusSpeed;  // relative
    bool focusAuto = false;                                   // automatic focus can be switched
};

// IBaseFilter of one bound capture device. Each query hands out a new
// interface object; a missing interface answers kNoInterface and leaves
// `out` empty. Interfaces may be released in any order relative to the filter.
class CaptureFilter {
public:
    virtual ~CaptureFilter() = default;
    virtual HResult QueryVideoProcAmp(std::unique_ptr<VideoProcAmp>& out) = 0;
    virtual HResult QueryKsControl(std::unique_ptr<KsControl>& out) = 0;
    virtual HResult QueryKsPropertySet(std::unique_ptr<KsPropertySet>& out) = 0;
    virtual HResult QueryCameraControl(std::unique_ptr<CameraControl>& out) = 0;
    // From now on no request through this filter's interfaces takes a road
    // around the camera's driver: what the driver cannot carry fails with
    // kNotFound and reaches nothing. For cameras the library knows only
    // through their driver.
    virtual void KeepToDriver() {}
};

// IPropertyBag of one device: "FriendlyName" and "DevicePath" as wide text;
// for a USB device also "UsbSerial" (its serial number, if it has one) and
// "UsbPort" (its place on the bus, "1-1.2").
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    virtual HResult Read(const std::u16string& name, std::u16string& value) = 0;
};

// IMoniker of one video-capture device.
class Moniker {
public:
    virtual ~Moniker() = default;
    virtual HResult BindToStorage(std::unique_ptr<PropertyBag>& out) = 0;
    virtual HResult BindToObject(std::unique_ptr<CaptureFilter>& out) = 0;
    // The motion controls the device's driver reports; kNotFound for a
    // device that is no camera of a driver that reports them.
    virtual HResult QueryMotionControls(MotionControls& out) = 0;
};

// IEnumMoniker over the video-capture category, in system order.
class MonikerEnumerator {
public:
    virtual ~MonikerEnumerator() = default;
    virtual HResult Reset() = 0;
    // kOk with one moniker, kFalse (and `out` empty) at the end.
    virtual HResult Next(std::unique_ptr<Moniker>& out) = 0;
};

// ICreateDevEnum.
class DeviceEnumerator {
public:
    virtual ~DeviceEnumerator() = default;
    // kOk with an enumerator; kFalse (and `out` empty) when the category holds
    // no device; negative when it cannot be enumerated.
    virtual HResult CreateVideoInputEnumerator(std::unique_ptr<MonikerEnumerator>& out) = 0;
};

// One implementation of the layer.
class Backend {
public:
    virtual ~Backend() = default;
    // CoCreateInstance(CLSID_SystemDeviceEnum). Callers go through
    // CreateSystemDeviceEnumerator(), which checks the thread is initialised.
    virtual HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& out) = 0;
};

// Counted per-thread initialisation (CoInitialize / CoUninitialize).
void InitializeThread();
void UninitializeThread();
bool ThreadInitialized();

// The process's backend: the simulated bus when LUMETRA_SIM_DIR names a
// directory, V4L2 otherwise; chosen on first use.
Backend& CurrentBackend();

// Tests install their own backend (an in-process simulated bus, a fake V4L2
// tree); null restores the default choice.
void SetBackendForTesting(std::unique_ptr<Backend> backend);

// CreateDeviceEnumerator on the current backend, failing with kNotInitialized
// on a thread that never called InitializeThread.
HResult CreateSystemDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& out);

}  // namespace lumetra::platform
