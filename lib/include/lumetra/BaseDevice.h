// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Lumetra: camera-control library for USB PTZ cameras, and network ones
// driven by VISCA. This is its whole public surface: the device interface,
// its two records and its factory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if defined(LUMETRA_BUILD)
#define LUMETRA_API __attribute__((visibility("default")))
#else
#define LUMETRA_API
#endif

// One supported camera found by an enumeration.
struct LUMETRA_API DeviceInfo {
    int32_t index = 0;  // position among supported cameras; what Open takes
    std::string friendlyName;
    std::string devicePath;

    DeviceInfo();
    DeviceInfo(const DeviceInfo& other);
    DeviceInfo(DeviceInfo&& other) noexcept;
    DeviceInfo& operator=(const DeviceInfo& other);
    DeviceInfo& operator=(DeviceInfo&& other) noexcept;
    ~DeviceInfo();
};

// Range and state of one camera property.
struct PropertyInfo {
    int32_t min = 0;
    int32_t max = 0;
    int32_t step = 0;
    int32_t defaultValue = 0;
    int32_t current = 0;
    int32_t supported = 0;  // 1 when the last read of current succeeded
};

enum DeviceType : int32_t {
    USB = 0,
};

// What the camera open on a device can do (BaseDevice::Abilities). An
// operation outside them returns false and sends nothing.
enum DeviceAbility : uint32_t {
    AbilityPanTilt = 0x01,      // the pan and tilt moves and their stops
    AbilityZoom = 0x02,         // ZoomIn, ZoomOut, ZoomStop
    AbilityFocus = 0x04,        // FocusNear, FocusFar, FocusStop
    AbilityFocusMode = 0x08,    // FocusAuto, FocusManual
    AbilityHome = 0x10,         // Home
    AbilityCommands = 0x20,     // the camera's own commands: mirror, flip, mute, framing, presets, Command10 to 19
    AbilityPositions = 0x40,    // GetPosition, MoveToPosition
    AbilityPresets = 0x80,      // PresetSet, PresetCall, PresetClear on the camera's own memories 0 to 9
    AbilityFlipMirror = 0x100,  // FlipOn, FlipOff, MirrorOn, MirrorOff
};

// Which fields of a CameraPosition hold a value.
enum PositionAxis : uint32_t {
    PositionPan = 0x1,
    PositionTilt = 0x2,
    PositionZoom = 0x4,
    PositionFocus = 0x8,
};

// Where a camera points, in the units of its absolute controls.
struct CameraPosition {
    int32_t pan = 0;
    int32_t tilt = 0;
    int32_t zoom = 0;
    int32_t focus = 0;
    uint32_t axes = 0;  // PositionAxis bits
};

// Why the last request a device sent did not reach its camera.
enum class RequestFault : int32_t {
    None = 0,          // it reached the camera, or failed for another reason
    NoPermission = 1,  // no access to the camera's USB node: the udev rule is not installed
    CameraBusy = 2,    // the camera takes its own commands only while no other program uses it, and one does
    NoAnswer = 3,      // the camera did not answer
};

// A camera device. The records are public so callers can read ranges and
// values after LoadPropertyInfo. Destroy a device only through DeleteDevice.
class LUMETRA_API BaseDevice {
public:
    PropertyInfo whiteBalance;
    PropertyInfo whiteBalanceBlue;
    PropertyInfo whiteBalanceRed;
    PropertyInfo exposure;
    PropertyInfo reserved4;
    PropertyInfo iris;
    PropertyInfo gain;
    PropertyInfo reserved7;
    PropertyInfo brightness;
    PropertyInfo saturation;
    PropertyInfo sharpness;
    PropertyInfo reserved11;
    PropertyInfo powerLineFrequency;
    PropertyInfo reserved13;
    PropertyInfo zoom;
    PropertyInfo focus;
    PropertyInfo reserved16;
    PropertyInfo reserved17;
    PropertyInfo reserved18;
    PropertyInfo reserved19;
    PropertyInfo reserved20;
    PropertyInfo reserved21;
    PropertyInfo reserved22;
    PropertyInfo backlightCompensation;
    PropertyInfo gamma;
    PropertyInfo contrast;

    static BaseDevice* CreateDevice(DeviceType type);
    static void DeleteDevice(BaseDevice* device);
    static bool EnumUSBDevices(std::vector<DeviceInfo>& list);
    // Every camera the library can drive, in one walk: the supported ones
    // first, exactly as EnumUSBDevices lists them, then the generic ones
    // (UVC cameras whose path matches no supported model and whose driver
    // reports pan and tilt, or zoom), in system order; `index` is the
    // position in the list, the number OpenAny takes. False, with `list`
    // untouched, as EnumUSBDevices.
    static bool EnumAllUSBDevices(std::vector<DeviceInfo>& list);
    // The network cameras (VISCA over IP) that EnumAllUSBDevices lists after
    // the USB ones, in this order, and OpenAny opens: each `devicePath` is
    // "visca-udp://HOST[:PORT]" (Sony's framing, port 52381 unless named)
    // or "visca-tcp://HOST[:PORT]" (raw VISCA, port 5678 unless named);
    // `friendlyName` names the camera, or is empty for the name it gives
    // itself; `index` is ignored. Nothing is sent until one is opened.
    // False, with the list unchanged, when an address does not read so.
    // With no USB camera or none that can be listed, EnumAllUSBDevices
    // lists the network cameras alone, and fails only without them.
    //
    // A network camera takes the operations VISCA carries (Abilities), with
    // VISCA's speeds: pan 1 to 24, tilt 1 to 20 (0 stops the axis), zoom
    // and focus 0 to 7 (beyond them, the nearest). Each waits for the camera's word for a
    // bounded time (a few hundred milliseconds at most); a camera that stays
    // silent makes it return false with LastRequestFault NoAnswer.
    static bool SetNetworkCameras(const std::vector<DeviceInfo>& cameras);
    static void Initial();
    static void Release();

    BaseDevice();
    BaseDevice(const BaseDevice& other);
    BaseDevice(BaseDevice&& other) noexcept;
    BaseDevice& operator=(const BaseDevice& other);
    BaseDevice& operator=(BaseDevice&& other) noexcept;

    // Why the last request this device sent did not reach the camera; None
    // after one that did, and after Open and Close. The operations still
    // answer only true or false: this tells a caller what to tell its user.
    // Not virtual, so that the slots below stay where they are.
    RequestFault LastRequestFault() const;

    // Open over EnumAllUSBDevices' numbering: the supported cameras first,
    // then the generic ones. Otherwise as Open, which keeps numbering the
    // supported cameras alone.
    bool OpenAny(const char* indexText, int reserved);

    // A generic camera (one OpenAny opened) has no command channel: it
    // never receives one of the camera's own commands, and its operations
    // map onto the controls its driver reports. Moves take their
    // speed as a percentage of the camera's fastest (1 to 100; 0 stops).
    // Where the camera has speed controls the driver carries, it receives
    // the speed; where it has only absolute ones, the library steps them at
    // that speed, a step at a time: the caller calls StepMoves while a
    // move lasts. Home and the resets go to the absolute positions 0. The
    // supported cameras behave exactly as the operations above say. None of
    // these are virtual, so the slots below stay where they are.

    // What the open camera can do (DeviceAbility bits); 0 while closed.
    uint32_t Abilities() const;
    // Sends the steps of stepped moves that are due. Returns the
    // milliseconds until the next is due, or -1 when no stepped move is
    // under way: call it after starting a move and again when that time has
    // passed, until it answers -1. Sends nothing and answers -1 for any
    // camera that moves by itself.
    int StepMoves();
    // The absolute positions of a generic camera (the axes it has); false
    // when none could be read.
    bool GetPosition(CameraPosition& position);
    // Ends stepped moves and sends the given axes the camera has. Focus is
    // sent only while the camera focuses manually. True when every axis
    // sent was taken and at least one was sent.
    bool MoveToPosition(const CameraPosition& position);
    // Who the open generic camera is, the same on every run:
    // "VVVV:PPPP serial S" (USB ids and serial number, on whichever port)
    // or, for a camera without one, "VVVV:PPPP port P" (its place on the
    // bus). Empty for a supported camera or a closed device.
    std::string CameraIdentity() const;

    // The slot order below is part of the binary interface: never reorder.
    virtual bool Open(const char* indexText, int reserved) = 0;
    virtual void Close() = 0;
    virtual bool TiltUp(int speed) = 0;
    virtual bool TiltUpStop() = 0;
    virtual bool TiltDown(int speed) = 0;
    virtual bool TiltDownStop() = 0;
    virtual bool PanLeft(int speed) = 0;
    virtual bool PanLeftStop() = 0;
    virtual bool PanRight(int speed) = 0;
    virtual bool PanRightStop() = 0;
    virtual bool FocusManual() = 0;
    virtual bool FocusAuto() = 0;
    virtual bool Reserved12() = 0;
    virtual bool FocusNear(int speed) = 0;
    virtual bool FocusFar(int speed) = 0;
    virtual bool FocusStop() = 0;
    virtual bool ZoomIn(int speed) = 0;
    virtual bool ZoomOut(int speed) = 0;
    virtual bool ZoomStop() = 0;
    virtual bool GetZoom(int* value) = 0;
    virtual bool GetFocus(int* value) = 0;
    virtual bool ZoomReset() = 0;
    virtual bool PanReset() = 0;
    virtual bool TiltReset() = 0;
    virtual bool Reserved24() = 0;
    virtual bool Reserved25() = 0;
    virtual bool MuteOn() = 0;
    virtual bool MuteOff() = 0;
    virtual bool FlipOn() = 0;
    virtual bool FlipOff() = 0;
    virtual bool MirrorOn() = 0;
    virtual bool MirrorOff() = 0;
    virtual bool Command10() = 0;
    virtual bool Command11() = 0;
    virtual bool Home() = 0;
    virtual bool Command18() = 0;
    virtual bool Command19() = 0;
    virtual bool FramingAuto() = 0;
    virtual bool FramingManual() = 0;
    virtual bool RestoreDefaults() = 0;
    virtual bool Reserved40() = 0;
    virtual bool Reserved41() = 0;
    virtual bool BacklightOn() = 0;
    virtual bool BacklightOff() = 0;
    virtual bool PresetClear(int preset) = 0;
    virtual bool PresetSet(int preset) = 0;
    virtual bool PresetCall(int preset) = 0;
    virtual bool GetBrightness(int* value) = 0;
    virtual bool SetBrightness(int value) = 0;
    virtual bool GetBacklight(int* value) = 0;
    virtual bool SetBacklight(int value) = 0;
    virtual bool GetGamma(int* value) = 0;
    virtual bool SetGamma(int value) = 0;
    virtual bool GetContrast(int* value) = 0;
    virtual bool SetContrast(int value) = 0;
    virtual bool GetSaturation(int* value) = 0;
    virtual bool SetSaturation(int value) = 0;
    virtual bool GetSharpness(int* value) = 0;
    virtual bool SetSharpness(int value) = 0;
    virtual bool GetWhiteBalance(int* value) = 0;
    virtual bool SetWhiteBalance(int value) = 0;
    virtual bool SetWhiteBalanceMode(int manual) = 0;
    virtual bool GetGain(int* value) = 0;
    virtual bool SetGain(int value) = 0;
    virtual bool GetPowerLineFrequency(int* value) = 0;
    virtual bool SetPowerLineFrequency(int value) = 0;
    virtual bool LoadPropertyInfo() = 0;
    virtual const char* GetFriendlyName() = 0;
    virtual bool Reserved68(int) = 0;
    virtual bool Reserved69(int) = 0;
    virtual bool GetExposure(int* value) = 0;
    virtual bool Reserved71(int) = 0;
    virtual bool GetIris(int* value) = 0;
    virtual bool Reserved73(int) = 0;
    virtual bool Reserved74(int) = 0;
    virtual bool Reserved75(int) = 0;
    virtual bool SetWhiteBalanceBlue(int value) = 0;
    virtual bool SetWhiteBalanceRed(int value) = 0;
    virtual bool SetExposure(int value) = 0;
    virtual bool Reserved79(int) = 0;
    virtual bool SetIris(int value) = 0;
    virtual bool Reserved81(int) = 0;
    virtual bool Reserved82(int) = 0;
    virtual bool Reserved83(int) = 0;
};
