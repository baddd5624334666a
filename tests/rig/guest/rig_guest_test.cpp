// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the rig's virtual machine, where uvcvideo drives the gadget
// cameras. Drives every operation of Lumetra (its real V4L2 backend) and
// judges each by the UVC requests the camera's responder logged: on the
// plain cameras, on the camera with a microphone while it is free, and on
// it again while another program streams from it.
//
//   rig-guest-test LOG RESPONDER GADGETS       GADGETS: the configfs gadget directory
//   rig-guest-test --stream NODE STATUS W H    that other program
//
// Exit status 0 when every check held.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <linux/videodev2.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "GenericCamera.h"
#include "Judge.h"
#include "UsbBus.h"
#include "camera_model.h"
#include "lumetra/BaseDevice.h"
#ifdef RIG_WINDOW_GAPS
#include "WindowGap.h"
#endif

namespace {

// Both white-balance halves of every camera the model makes, before anything sets them.
constexpr int kComponentAtStart = 2048;

using rig::Carrier;
using rig::Column;
using rig::Ct;
using rig::Le;
using rig::Outcome;
using rig::Pu;
using rig::Reach;
using rig::Returned;
using rig::ReturnedValue;
using rig::Step;

// Polls a condition until it holds or `seconds` pass; the rig's machine is
// emulated and slow, so deadlines are generous.
bool WaitFor(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        const timespec pause{0, 50 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

std::vector<DeviceInfo> Enumerate(bool* ok = nullptr) {
    std::vector<DeviceInfo> list;
    const bool result = BaseDevice::EnumUSBDevices(list);
    if (ok) *ok = result;
    return list;
}

int IndexOf(const std::vector<DeviceInfo>& list, const std::string& ids) {
    for (const DeviceInfo& info : list)
        if (info.devicePath.find(ids) != std::string::npos) return info.index;
    return -1;
}

// The video node number the device path ends in ("...#video4").
int NodeNumber(const std::string& devicePath) {
    const auto at = devicePath.rfind("#video");
    return at == std::string::npos ? -1 : std::atoi(devicePath.c_str() + at + 6);
}

// The name sysfs gives video node `number`.
std::string NodeName(int number) {
    std::ifstream file("/sys/class/video4linux/video" + std::to_string(number) + "/name");
    std::string name;
    std::getline(file, name);
    return name;
}

bool SameInfo(const PropertyInfo& a, const PropertyInfo& b) {
    return a.min == b.min && a.max == b.max && a.step == b.step && a.defaultValue == b.defaultValue &&
           a.current == b.current && a.supported == b.supported;
}

std::string Text(const PropertyInfo& p) {
    char text[96];
    std::snprintf(text, sizeof text, "{%d,%d,%d,%d,%d,%d}", p.min, p.max, p.step, p.defaultValue, p.current,
                  p.supported);
    return text;
}

// The records LoadPropertyInfo must fill from camera_model.h's camera.
void CheckLoadedRecords(rig::Judge& judge, BaseDevice& device, bool hasIris) {
    struct Expected {
        const char* name;
        const PropertyInfo& record;
        PropertyInfo wanted;
    };
    // A table, laid out by hand.
    // clang-format off
    const Expected rows[] = {
        {"whiteBalance", device.whiteBalance, {2800, 6500, 10, 4600, 4600, 1}},
        // 625..10000 units of 100 us are 2^-4..2^0 s; 1250 is 2^-3 s.
        {"exposure", device.exposure, {-4, 0, 1, -3, -3, 1}},
        {"iris", device.iris, hasIris ? PropertyInfo{0, 10, 1, 5, 5, 1} : PropertyInfo{}},
        {"gain", device.gain, {0, 100, 1, 0, 0, 1}},
        {"brightness", device.brightness, {-64, 64, 1, 0, 0, 1}},
        {"saturation", device.saturation, {0, 128, 1, 64, 64, 1}},
        {"sharpness", device.sharpness, {0, 6, 1, 3, 3, 1}},
        {"powerLineFrequency", device.powerLineFrequency, {0, 2, 1, 1, 1, 1}},
        {"backlightCompensation", device.backlightCompensation, {0, 2, 1, 1, 1, 1}},
        {"gamma", device.gamma, {72, 500, 1, 100, 100, 1}},
        {"contrast", device.contrast, {0, 64, 1, 32, 32, 1}},
    };
    // clang-format on
    for (const Expected& row : rows) {
        // A property the camera lacks: only `supported` is promised.
        const bool good = row.wanted.supported ? SameInfo(row.record, row.wanted) : row.record.supported == 0;
        judge.Check(good, std::string("LoadPropertyInfo ") + row.name + " = " + Text(row.record) +
                              (good ? "" : " (camera: " + Text(row.wanted) + ")"));
    }
    // The white-balance halves are read from the camera, so that setting one sends the other as the
    // camera has it (camera_model.h: WHITE_BALANCE_COMPONENT starts at 2048 for both).
    for (const PropertyInfo* half : {&device.whiteBalanceBlue, &device.whiteBalanceRed})
        judge.Check(half->supported == 1 && half->current == kComponentAtStart,
                    "LoadPropertyInfo reads the white-balance half from the camera: " + Text(*half));
    for (const PropertyInfo* unsupported :
         {&device.reserved4, &device.reserved7, &device.reserved11, &device.reserved13})
        judge.Check(unsupported->supported == 0, "LoadPropertyInfo leaves a record without a property unsupported");
}

std::string Roll(int code) { return Ct(0x0F, Le(code, 2)); }

std::optional<Step::Unlent> unlent(std::vector<std::string> requests) { return Step::Unlent{true, requests}; }
// uvcvideo refuses the absolute focus while the camera focuses by itself.
const std::optional<Step::Unlent> kRefusedInAutoFocus = Step::Unlent{false, {}};

// Every operation on the full camera, in an order whose camera state is
// known at each step (pan/tilt halves, automatic modes).
std::vector<Step> FullCameraSteps(BaseDevice& d) {
    const std::string stop = "00000000";
    // A table, laid out by hand.
    // clang-format off
    std::vector<Step> steps = {
        {"TiltUp(4)", [&] { return Returned(d.TiltUp(4)); }, true, {Ct(0x0E, "00000104")}, ""},
        {"PanLeft(6)", [&] { return Returned(d.PanLeft(6)); }, true, {Ct(0x0E, "ff060104")},
         "6.1 clamps a speed below -slowest: usbfs; where that lends, uvcvideo's slowest speed that way",
         Carrier::Usbfs, unlent({Ct(0x0E, "ff010104")})},
        {"PanLeftStop()", [&] { return Returned(d.PanLeftStop()); }, true, {Ct(0x0E, "00000104")}, ""},
        {"TiltUpStop()", [&] { return Returned(d.TiltUpStop()); }, true, {Ct(0x0E, stop)}, ""},
        {"TiltDown(5)", [&] { return Returned(d.TiltDown(5)); }, true, {Ct(0x0E, "0000ff05")}, "", Carrier::Usbfs,
         unlent({Ct(0x0E, "0000ff01")})},
        {"TiltDownStop()", [&] { return Returned(d.TiltDownStop()); }, true, {Ct(0x0E, stop)}, ""},
        {"PanRight(7)", [&] { return Returned(d.PanRight(7)); }, true, {Ct(0x0E, "01070000")}, ""},
        {"PanRightStop()", [&] { return Returned(d.PanRightStop()); }, true, {Ct(0x0E, stop)}, ""},
        {"TiltUp(0)", [&] { return Returned(d.TiltUp(0)); }, true, {Ct(0x0E, stop)}, "same as TiltUpStop"},
        {"PanLeft(200)", [&] { return Returned(d.PanLeft(200)); }, true, {Ct(0x0E, "ff180000")},
         "speed capped at the camera's fastest (24)", Carrier::Usbfs, unlent({Ct(0x0E, "ff010000")})},
        {"PanLeftStop()", [&] { return Returned(d.PanLeftStop()); }, true, {Ct(0x0E, stop)}, ""},
        {"FocusNear(9)", [&] { return Returned(d.FocusNear(9)); }, true, {Ct(0x07, "0101")},
         "uvcvideo 6.1 has no relative focus control; where usbfs lends, the absolute focus, which uvcvideo "
         "refuses while the camera focuses by itself",
         Carrier::Usbfs, kRefusedInAutoFocus},
        {"FocusFar(9)", [&] { return Returned(d.FocusFar(9)); }, true, {Ct(0x07, "ff01")}, "", Carrier::Usbfs,
         kRefusedInAutoFocus},
        {"FocusStop()", [&] { return Returned(d.FocusStop()); }, true, {Ct(0x07, "0000")}, "", Carrier::Usbfs,
         kRefusedInAutoFocus},
        {"ZoomIn(5)", [&] { return Returned(d.ZoomIn(5)); }, true, {Ct(0x0C, "010001")},
         "uvcvideo, once usbfs could stop it; where usbfs lends, the absolute zoom towards its end",
         Carrier::DriverNeedingUsbfs, unlent({Ct(0x0B, Le(16384, 2))})},
        {"ZoomOut(5)", [&] { return Returned(d.ZoomOut(5)); }, true, {Ct(0x0C, "ff0001")},
         "6.1 reports zoom speed slowest..fastest: no negative", Carrier::Usbfs, unlent({Ct(0x0B, "0000")})},
        {"ZoomStop()", [&] { return Returned(d.ZoomStop()); }, true, {Ct(0x0C, "000000")},
         "0 is below this camera's slowest speed; where usbfs lends, the absolute zoom where the lens is",
         Carrier::Usbfs, unlent({Ct(0x0B, "0000")})},
        {"ZoomReset()", [&] { return Returned(d.ZoomReset()); }, true, {Ct(0x0B, "0000")}, ""},
        {"PanReset()", [&] { return Returned(d.PanReset()); }, true, {Ct(0x0D, "0000000000000000")}, ""},
        {"TiltReset()", [&] { return Returned(d.TiltReset()); }, true, {Ct(0x0D, "0000000000000000")}, ""},
        {"MirrorOn()", [&] { return Returned(d.MirrorOn()); }, true, {Roll(0)}, "uvcvideo 6.1 has no roll control",
         Carrier::Usbfs},
        {"MirrorOff()", [&] { return Returned(d.MirrorOff()); }, true, {Roll(1)}, "", Carrier::Usbfs},
        {"FlipOn()", [&] { return Returned(d.FlipOn()); }, true, {Roll(2)}, "", Carrier::Usbfs},
        {"FlipOff()", [&] { return Returned(d.FlipOff()); }, true, {Roll(3)}, "", Carrier::Usbfs},
        {"MuteOff()", [&] { return Returned(d.MuteOff()); }, true, {Roll(4)}, "", Carrier::Usbfs},
        {"MuteOn()", [&] { return Returned(d.MuteOn()); }, true, {Roll(5)}, "", Carrier::Usbfs},
        {"FocusAuto()", [&] { return Returned(d.FocusAuto()); }, true, {Roll(6)}, "", Carrier::Usbfs},
        {"FocusManual()", [&] { return Returned(d.FocusManual()); }, true, {Roll(7)}, "", Carrier::Usbfs},
        {"Home()", [&] { return Returned(d.Home()); }, true, {Roll(8)}, "", Carrier::Usbfs},
        {"Command10()", [&] { return Returned(d.Command10()); }, true, {Roll(10)}, "", Carrier::Usbfs},
        {"Command11()", [&] { return Returned(d.Command11()); }, true, {Roll(11)}, "", Carrier::Usbfs},
        {"FramingAuto()", [&] { return Returned(d.FramingAuto()); }, true, {Roll(16)}, "", Carrier::Usbfs},
        {"FramingManual()", [&] { return Returned(d.FramingManual()); }, true, {Roll(17)}, "", Carrier::Usbfs},
        {"Command18()", [&] { return Returned(d.Command18()); }, true, {Roll(18)}, "", Carrier::Usbfs},
        {"Command19()", [&] { return Returned(d.Command19()); }, true, {Roll(19)}, "", Carrier::Usbfs},
        {"PresetSet(3)", [&] { return Returned(d.PresetSet(3)); }, true, {Roll(23)}, "", Carrier::Usbfs},
        {"PresetClear(3)", [&] { return Returned(d.PresetClear(3)); }, true, {Roll(63)}, "", Carrier::Usbfs},
        {"PresetCall(3)", [&] { return Returned(d.PresetCall(3)); }, true, {Roll(103)}, "", Carrier::Usbfs},
        {"PresetCall(256)", [&] { return Returned(d.PresetCall(256)); }, true, {Roll(100)}, "", Carrier::Usbfs},
        {"PresetCall(-1)", [&] { return Returned(d.PresetCall(-1)); }, true, {Roll(355)}, "", Carrier::Usbfs},
        {"BacklightOn()", [&] { return Returned(d.BacklightOn()); }, true, {Pu(0x01, "0100")}, ""},
        {"BacklightOff()", [&] { return Returned(d.BacklightOff()); }, true, {Pu(0x01, "0000")}, ""},
        {"SetBacklight(2)", [&] { return Returned(d.SetBacklight(2)); }, true, {Pu(0x01, "0200")}, ""},
        {"SetBrightness(-10)", [&] { return Returned(d.SetBrightness(-10)); }, true, {Pu(0x02, "f6ff")}, ""},
        {"SetContrast(40)", [&] { return Returned(d.SetContrast(40)); }, true, {Pu(0x03, "2800")}, ""},
        {"SetSaturation(100)", [&] { return Returned(d.SetSaturation(100)); }, true, {Pu(0x07, "6400")}, ""},
        {"SetSharpness(5)", [&] { return Returned(d.SetSharpness(5)); }, true, {Pu(0x08, "0500")}, ""},
        {"SetGamma(220)", [&] { return Returned(d.SetGamma(220)); }, true, {Pu(0x09, "dc00")}, ""},
        {"SetGain(50)", [&] { return Returned(d.SetGain(50)); }, true, {Pu(0x04, "3200")}, ""},
        {"SetPowerLineFrequency(2)", [&] { return Returned(d.SetPowerLineFrequency(2)); }, true, {Pu(0x05, "02")},
         ""},
        {"SetWhiteBalance(5000)", [&] { return Returned(d.SetWhiteBalance(5000)); }, true,
         {Pu(0x0B, "00"), Pu(0x0A, Le(5000, 2))}, "automatic white balance off first"},
        {"SetWhiteBalance(0)", [&] { return Returned(d.SetWhiteBalance(0)); }, true, {Pu(0x0B, "01")},
         "Flags AUTO: the mode only"},
        {"SetWhiteBalanceMode(1)", [&] { return Returned(d.SetWhiteBalanceMode(1)); }, true,
         {Pu(0x0B, "00")}, "manual, keeping the temperature: Value 0 lies outside its range"},
        {"SetWhiteBalanceMode(0)", [&] { return Returned(d.SetWhiteBalanceMode(0)); }, true, {Pu(0x0B, "01")}, ""},
        {"SetWhiteBalanceBlue(1000)", [&] { return Returned(d.SetWhiteBalanceBlue(1000)); }, true,
         {Pu(0x0B, "00"), Pu(0x0C, Le(1000, 2) + Le(kComponentAtStart, 2))}, "red as the camera has it"},
        {"SetWhiteBalanceRed(1500)", [&] { return Returned(d.SetWhiteBalanceRed(1500)); }, true,
         {Pu(0x0C, Le(1000, 2) + Le(1500, 2))}, "blue as last sent"},
        {"SetExposure(-2)", [&] { return Returned(d.SetExposure(-2)); }, true, {Ct(0x02, "01"), Ct(0x04, Le(2500, 4))},
         "manual exposure first; 2^-2 s = 2500 x 100 us"},
        {"SetExposure(-4)", [&] { return Returned(d.SetExposure(-4)); }, true, {Ct(0x04, Le(625, 4))}, ""},
        {"SetIris(3)", [&] { return Returned(d.SetIris(3)); }, true, {Ct(0x09, "0300")}, ""},
    };
    // clang-format on
    const auto getter = [&steps](const char* name, std::function<bool(int*)> get, int expected) {
        steps.push_back({std::string(name) + "()",
                         [get, expected] {
                             int value = -12345;
                             const bool result = get(&value);
                             return ReturnedValue(result, value, expected);
                         },
                         true,
                         {},
                         ""});
    };
    getter(
        "GetZoom", [&](int* v) { return d.GetZoom(v); }, 0);
    getter(
        "GetFocus", [&](int* v) { return d.GetFocus(v); }, 128);
    getter(
        "GetBrightness", [&](int* v) { return d.GetBrightness(v); }, -10);
    getter(
        "GetContrast", [&](int* v) { return d.GetContrast(v); }, 40);
    getter(
        "GetSaturation", [&](int* v) { return d.GetSaturation(v); }, 100);
    getter(
        "GetSharpness", [&](int* v) { return d.GetSharpness(v); }, 5);
    getter(
        "GetGamma", [&](int* v) { return d.GetGamma(v); }, 220);
    getter(
        "GetGain", [&](int* v) { return d.GetGain(v); }, 50);
    getter(
        "GetPowerLineFrequency", [&](int* v) { return d.GetPowerLineFrequency(v); }, 2);
    getter(
        "GetBacklight", [&](int* v) { return d.GetBacklight(v); }, 2);
    getter(
        "GetWhiteBalance", [&](int* v) { return d.GetWhiteBalance(v); }, 5000);
    getter(
        "GetExposure", [&](int* v) { return d.GetExposure(v); }, -4);
    getter(
        "GetIris", [&](int* v) { return d.GetIris(v); }, 3);

    steps.push_back({"RestoreDefaults()",
                     [&] { return Returned(d.RestoreDefaults()); },
                     true,
                     {Ct(0x0B, "0000"), Pu(0x02, "0000"), Pu(0x03, Le(32, 2)), Pu(0x09, Le(100, 2)), Pu(0x01, "0100"),
                      Pu(0x04, "0000"), Pu(0x07, Le(64, 2)), Pu(0x08, "0300"), Pu(0x0A, Le(4600, 2)), Pu(0x05, "01")},
                     "the defaults LoadPropertyInfo read; zoom's is 0"});

    // A table, laid out by hand.
    // clang-format off
    const std::vector<std::pair<const char*, std::function<bool()>>> reserved = {
        {"Reserved12()", [&] { return d.Reserved12(); }},   {"Reserved24()", [&] { return d.Reserved24(); }},
        {"Reserved25()", [&] { return d.Reserved25(); }},   {"Reserved40()", [&] { return d.Reserved40(); }},
        {"Reserved41()", [&] { return d.Reserved41(); }},   {"Reserved68(1)", [&] { return d.Reserved68(1); }},
        {"Reserved69(1)", [&] { return d.Reserved69(1); }}, {"Reserved71(1)", [&] { return d.Reserved71(1); }},
        {"Reserved73(1)", [&] { return d.Reserved73(1); }}, {"Reserved74(1)", [&] { return d.Reserved74(1); }},
        {"Reserved75(1)", [&] { return d.Reserved75(1); }}, {"Reserved79(1)", [&] { return d.Reserved79(1); }},
        {"Reserved81(1)", [&] { return d.Reserved81(1); }}, {"Reserved82(1)", [&] { return d.Reserved82(1); }},
        {"Reserved83(1)", [&] { return d.Reserved83(1); }},
    };
    // clang-format on
    for (const auto& [name, call] : reserved)
        steps.push_back({name, [call = call] { return Returned(call()); }, false, {}, "holds a slot; sends nothing"});
    return steps;
}

// The second camera: no iris, and 0 as its slowest relative speed.
std::vector<Step> NoIrisCameraSteps(BaseDevice& d) {
    // A table, laid out by hand.
    // clang-format off
    return {
        {"MirrorOn()", [&] { return Returned(d.MirrorOn()); }, true, {Roll(0)}, "reaches this camera only",
         Carrier::Usbfs},
        {"SetIris(3)", [&] { return Returned(d.SetIris(3)); }, false, {}, "the camera has no iris"},
        {"PanLeft(6)", [&] { return Returned(d.PanLeft(6)); }, true, {Ct(0x0E, "ff060000")},
         "6.1 reports 0..fastest: still no negative", Carrier::Usbfs},
        {"PanLeftStop()", [&] { return Returned(d.PanLeftStop()); }, true, {Ct(0x0E, "00000000")}, ""},
        {"ZoomIn(5)", [&] { return Returned(d.ZoomIn(5)); }, true, {Ct(0x0C, "010001")}, ""},
        {"ZoomStop()", [&] { return Returned(d.ZoomStop()); }, true, {Ct(0x0C, "000000")},
         "a camera whose slowest is 0 stops through uvcvideo"},
        {"ZoomOut(5)", [&] { return Returned(d.ZoomOut(5)); }, true, {Ct(0x0C, "ff0001")}, "", Carrier::Usbfs},
        {"ZoomStop()", [&] { return Returned(d.ZoomStop()); }, true, {Ct(0x0C, "000000")}, ""},
    };
    // clang-format on
}

// ---- the other program, streaming from a camera ----

// Streams from `node` until killed, rewriting `statusPath` after every
// frame: "streaming FRAMES 0 -", or "broken FRAMES ERRNO REQUEST" once a
// request fails.
int Stream(const std::string& node, const std::string& statusPath, unsigned width, unsigned height) {
    long frames = 0;
    const auto report = [&](const char* state, int error, const char* request = "-") {
        char text[96];
        const int length = std::snprintf(text, sizeof text, "%s %ld %d %s\n", state, frames, error, request);
        const std::string partial = statusPath + ".partial";
        const int out = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0) return;
        const bool written = write(out, text, static_cast<size_t>(length)) == length;
        close(out);
        if (written) rename(partial.c_str(), statusPath.c_str());
    };
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = width;
    format.fmt.pix.height = height;
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    v4l2_requestbuffers request{};
    request.count = 4;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (fd < 0 || ioctl(fd, VIDIOC_S_FMT, &format) < 0 || ioctl(fd, VIDIOC_REQBUFS, &request) < 0) {
        report("broken", errno, "set-up");
        return 1;
    }
    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = i;
        if (ioctl(fd, VIDIOC_QUERYBUF, &buffer) < 0 ||
            mmap(nullptr, buffer.length, PROT_READ, MAP_SHARED, fd, buffer.m.offset) == MAP_FAILED ||
            ioctl(fd, VIDIOC_QBUF, &buffer) < 0) {
            report("broken", errno, "buffers");
            return 1;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (ioctl(fd, VIDIOC_STREAMON, &type) < 0) {
        report("broken", errno, "STREAMON");
        return 1;
    }
    report("streaming", 0);
    for (;;) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (ioctl(fd, VIDIOC_DQBUF, &buffer) < 0) {
            report("broken", errno, "DQBUF");
            return 1;
        }
        if (!(buffer.flags & V4L2_BUF_FLAG_ERROR) && buffer.bytesused == format.fmt.pix.sizeimage) ++frames;
        report("streaming", 0);
        if (ioctl(fd, VIDIOC_QBUF, &buffer) < 0) {
            report("broken", errno, "QBUF");
            return 1;
        }
    }
}

struct StreamStatus {
    std::string state;
    long frames = 0;
    int error = 0;
    std::string request;
};

StreamStatus ReadStatus(const std::string& path) {
    StreamStatus status;
    std::ifstream file(path);
    file >> status.state >> status.frames >> status.error >> status.request;
    return status;
}

// ---- the camera with a microphone ----

struct Gadget {
    std::string directory;
    std::string udc;
    std::string profile;  // the responder's name for it
};

// Unplugs the gadget and plugs it in again, a camera fresh from its box:
// its responder starts anew, and uvcvideo binds it anew.
bool Replug(rig::Judge& judge, const Gadget& gadget, const std::string& responder, const std::string& logPath,
            const std::string& ids) {
    judge.Check(rig::BindGadget(gadget.directory, ""), "unplug " + gadget.profile);
    judge.Check(WaitFor([&] { return IndexOf(Enumerate(), ids) < 0; }, 30), "discovery loses " + gadget.profile);
    judge.Check(rig::BindGadget(gadget.directory, gadget.udc), "plug " + gadget.profile + " in again");
    judge.Check(rig::Spawn({responder, gadget.profile, gadget.udc, logPath}) > 0, "its responder is back");
    const bool back = WaitFor([&] { return IndexOf(Enumerate(), ids) >= 0; }, 60);
    judge.Check(back, "discovery finds " + gadget.profile + " again");
    return back;
}

std::string Median(std::vector<double> values) {
    if (values.empty()) return "-";
    std::sort(values.begin(), values.end());
    char text[96];
    std::snprintf(text, sizeof text, "%.0f ms (min %.0f, max %.0f, %zu commands)", values[values.size() / 2],
                  values.front(), values.back(), values.size());
    return text;
}

// Every operation on the camera with a microphone: free, every command by
// the lent interface, timed; then, fresh again, while another program
// streams from it, every command refused without touching its stream.
void CompositeColumns(rig::Judge& judge, BaseDevice& d, const rig::CameraId& camera, const Gadget& gadget,
                      const std::string& self, const std::string& responder, const std::string& logPath) {
    const rig::Profile profile = rig::CompositeProfile();
    const std::string ids = "vid_0000&pid_7588";
    const int stalled = rig::AskDevice(camera.vendorId, camera.productId, 1);
    judge.Check(stalled == -EPIPE, "the camera with a microphone stalls a class request addressed to the device (" +
                                       std::to_string(stalled) + ")");
    const std::string device = rig::UsbDeviceDirectory(camera.vendorId, camera.productId);
    const std::string microphone = device + "/" + device.substr(device.rfind('/') + 1) + ":1.0";
    judge.Check(rig::DriverOf(microphone) == "snd-usb-audio", "snd-usb-audio has its microphone");

    int index = IndexOf(Enumerate(), ids);
    judge.Check(d.Open(std::to_string(index).c_str(), 1), "Open of the camera with a microphone");
    judge.Check(d.LoadPropertyInfo(), "LoadPropertyInfo returns true");
    CheckLoadedRecords(judge, d, true);
    const Column free{"cam7588 (camera + microphone), free", camera, Reach::Lent};
    std::vector<double> lent;
    double presetCall = -1;
    for (const Step& step : FullCameraSteps(d)) {
        const double ms = judge.Run(free, step);
        if (step.carrier != Carrier::Usbfs || step.unlent) continue;
        lent.push_back(ms);
        if (step.operation == "PresetCall(3)") presetCall = ms;
    }
    std::printf("RIG-INFO by the lent interface: PresetCall(3) took %.0f ms; each command %s\n", presetCall,
                Median(lent).c_str());
    std::printf("RIG-INFO stall: a command by the lent interface (rebinding uvcvideo): longest %.0f ms\n",
                lent.empty() ? -1.0 : *std::max_element(lent.begin(), lent.end()));
    judge.Check(rig::DriverOf(microphone) == "snd-usb-audio", "snd-usb-audio kept the microphone throughout");
    judge.Check(!rig::CaptureNode(camera.vendorId, camera.productId).empty(),
                "uvcvideo has the camera again at the end");
    d.Close();
#ifdef RIG_WINDOW_GAPS
    {
        // The panel's road: opened and sent from the camera's own thread.
        rig::WindowGap window(index);
        bool taken = false;
        const double gap = window.longestGap([](BaseDevice& w) { return w.PresetCall(3); }, taken);
        std::printf(
            "RIG-INFO stall: a command by the lent interface, from the camera's thread: the window's event "
            "loop stood still at most %.0f ms (PresetCall(3) %s; opening it %.0f ms)\n",
            gap, taken ? "true" : "false", window.openGap());
    }
#endif

    if (!Replug(judge, gadget, responder, logPath, ids)) return;
    index = IndexOf(Enumerate(), ids);
    judge.Check(d.Open(std::to_string(index).c_str(), 1), "Open of the camera plugged in again");
    judge.Check(d.LoadPropertyInfo(), "LoadPropertyInfo returns true");
    const std::string node = rig::CaptureNode(camera.vendorId, camera.productId);
    const std::string status = "/run/stream.status";
    const int streamer = rig::Spawn(
        {self, "--stream", node, status, std::to_string(profile.width), std::to_string(profile.height)});
    judge.Check(streamer > 0, "another program streams from " + node);
    // A stream that broke ends the wait.
    const auto framesReach = [&](long count) {
        WaitFor([&] { return ReadStatus(status).frames >= count || ReadStatus(status).state == "broken"; }, 120);
        return ReadStatus(status).frames >= count;
    };
    judge.Check(framesReach(5), "its first frames come");
    const long atStart = ReadStatus(status).frames;
    const Column held{"cam7588 while another program streams from it", camera, Reach::Held};
    for (const Step& step : FullCameraSteps(d)) judge.Run(held, step);
    // A left arrow key held down: the panel sends PanLeft(21) at every
    // repeat. Each goes through uvcvideo, the stream never loses its driver.
    constexpr int kRepeats = 12;
    judge.Run(held, {"PanLeft(21) x12, a held key",
                     [&] {
                         bool all = true;
                         for (int i = 0; i < kRepeats; ++i) all = d.PanLeft(21) && all;
                         return Returned(all);
                     },
                     true, std::vector<std::string>(kRepeats, Ct(0x0E, "ff010000")),
                     "left, at the slowest speed 6.1 carries that way, never by the lent interface"});
    judge.Run(held, {"PanLeftStop() after the held key",
                     [&] { return Returned(d.PanLeftStop()); },
                     true,
                     {Ct(0x0E, "00000000")},
                     ""});
    judge.Check(d.LastRequestFault() == RequestFault::None, "the last operation reached the camera");
    judge.Check(!d.PresetCall(3) && d.LastRequestFault() == RequestFault::CameraBusy,
                "a refused command tells why: another program holds the camera");
    const long before = ReadStatus(status).frames;
    judge.Check(before > atStart, "frames kept coming while the commands were refused (" + std::to_string(atStart) +
                                      " to " + std::to_string(before) + ")");
    const bool goesOn = framesReach(before + 5);
    judge.Check(goesOn, "its stream goes on (" + std::to_string(ReadStatus(status).frames) + " frames, " +
                            std::to_string(before) + " when the commands ended)");
    const StreamStatus after = ReadStatus(status);
    judge.Check(after.state == "streaming", "and never broke (" + after.state + ", errno " +
                                                std::to_string(after.error) + " on " + after.request + ")");
    judge.Check(rig::CaptureNode(camera.vendorId, camera.productId) == node, "its node is the one it opened");
    if (streamer > 0) {
        kill(streamer, SIGTERM);
        waitpid(streamer, nullptr, 0);
    }
    judge.Check(d.PresetCall(3) && d.LastRequestFault() == RequestFault::None,
                "with the program gone, the command goes through");
    d.Close();
    judge.Settle(&camera);
}

// The panel's discovery pass, as far as the library takes it, on this
// machine's real sysfs: enumeration of every camera, then opening the first
// and reading its properties. Its time is what the window waits for.
void DiscoveryPassTimes(rig::Judge& judge, BaseDevice& d, int index, const rig::CameraId& camera) {
    constexpr int kPasses = 9;
    std::vector<double> passes, walks, opens, loads;
    const auto ms = [](auto from, auto to) { return std::chrono::duration<double, std::milli>(to - from).count(); };
    judge.Settle(&camera);
    for (int i = 0; i < kPasses; ++i) {
        const auto started = std::chrono::steady_clock::now();
        std::vector<DeviceInfo> list;
        BaseDevice::EnumAllUSBDevices(list);
        const auto walked = std::chrono::steady_clock::now();
        d.OpenAny(std::to_string(index).c_str(), 1);
        const auto opened = std::chrono::steady_clock::now();
        d.LoadPropertyInfo();
        const auto done = std::chrono::steady_clock::now();
        walks.push_back(ms(started, walked));
        opens.push_back(ms(walked, opened));
        loads.push_back(ms(opened, done));
        passes.push_back(ms(started, done));
    }
    d.Close();
    // What the cameras answered meanwhile (uvcvideo's reads among them).
    std::map<std::string, int> asked;
    for (const rig::Request& request : judge.Take(camera)) ++asked[request.camera + " " + request.request];
    std::string requests;
    for (const auto& [what, count] : asked) requests += " " + what + " x" + std::to_string(count);
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
#ifdef RIG_WINDOW_GAPS
    // The panel's pass: the walk, then the open and the properties, each a
    // request on the camera's thread.
    std::vector<double> gaps, idle;
    {
        rig::WindowGap window(index);
        for (int i = 0; i < kPasses; ++i) {
            bool taken = false;
            const auto started = std::chrono::steady_clock::now();
            const double walk = window.longestGap(
                [](BaseDevice&) {
                    std::vector<DeviceInfo> list;
                    return BaseDevice::EnumAllUSBDevices(list);
                },
                taken);
            const double open = window.longestGap(
                [index](BaseDevice& w) { return w.OpenAny(std::to_string(index).c_str(), 1) && w.LoadPropertyInfo(); },
                taken);
            gaps.push_back(std::max(walk, open));
            idle.push_back(rig::WindowGap::idleGap(int(ms(started, std::chrono::steady_clock::now()))));
        }
    }
    judge.Settle(&camera);
    std::printf(
        "RIG-INFO stall: discovery pass from the camera's thread: the window's event loop stood still at most "
        "%.0f ms (median of the passes' longest %.0f ms); with nothing asked, for as long after each pass, "
        "at most %.0f ms (median %.0f ms)\n",
        *std::max_element(gaps.begin(), gaps.end()), median(gaps), *std::max_element(idle.begin(), idle.end()),
        median(idle));
#endif
    std::printf(
        "RIG-INFO stall: discovery pass (EnumAllUSBDevices, OpenAny, LoadPropertyInfo) on the real sysfs: "
        "median %.1f ms, longest %.1f ms over %d passes (medians: enumeration %.1f, open %.1f, "
        "properties %.1f ms; enumeration longest %.1f ms); the cameras "
        "answered, over all passes:%s\n",
        median(passes), *std::max_element(passes.begin(), passes.end()), kPasses, median(walks), median(opens),
        median(loads), *std::max_element(walks.begin(), walks.end()), requests.c_str());
}

// A camera that does not answer: its firmware stopped (not gone, so that
// the gadget stays plugged). Each request waits for its timeout, which is
// what a caller on the window's thread waits for.
void SilentCameraTimes(rig::Judge& judge, BaseDevice& d, int index, int responderPid) {
#ifdef RIG_WINDOW_GAPS
    rig::WindowGap window(index);  // opened while its firmware still answers
#endif
    if (responderPid <= 0 || kill(responderPid, SIGSTOP) != 0) {
        judge.Check(false, "the camera's firmware can be stopped");
        return;
    }
    const auto timed = [](const std::function<bool()>& call, bool& result) {
        const auto started = std::chrono::steady_clock::now();
        result = call();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    };
    bool driver = true, usbfs = true;
    const double driverMs = timed([&] { return d.SetBrightness(5); }, driver);
    const double usbfsMs = timed([&] { return d.MirrorOff(); }, usbfs);
#ifdef RIG_WINDOW_GAPS
    bool viaDriver = true, viaUsbfs = true;
    const double driverGap = window.longestGap([](BaseDevice& w) { return w.SetBrightness(5); }, viaDriver);
    const double usbfsGap = window.longestGap([](BaseDevice& w) { return w.MirrorOff(); }, viaUsbfs);
#endif
    kill(responderPid, SIGCONT);
    std::printf(
        "RIG-INFO stall: a camera that does not answer: SetBrightness (uvcvideo) %s after %.0f ms, "
        "MirrorOff (usbfs to the device) %s after %.0f ms\n",
        driver ? "true" : "false", driverMs, usbfs ? "true" : "false", usbfsMs);
#ifdef RIG_WINDOW_GAPS
    std::printf(
        "RIG-INFO stall: a camera that does not answer, from the camera's thread: the window's event loop stood "
        "still at most %.0f ms over SetBrightness (%s) and %.0f ms over MirrorOff (%s)\n",
        driverGap, viaDriver ? "true" : "false", usbfsGap, viaUsbfs ? "true" : "false");
    judge.Check(!viaDriver && !viaUsbfs, "and from the camera's thread as well");
#endif
    judge.Check(!driver && !usbfs, "requests to a camera that does not answer fail");
}

// Seconds since the guest test started, for the console.
double Elapsed() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::string(argv[1]) == "--stream")
        return Stream(argv[2], argv[3], static_cast<unsigned>(std::atoi(argv[4])),
                      static_cast<unsigned>(std::atoi(argv[5])));
    if (argc != 4) {
        std::fprintf(stderr, "usage: rig-guest-test LOG RESPONDER GADGETS | --stream NODE STATUS WIDTH HEIGHT\n");
        return 2;
    }
    const std::string logPath = argv[1], responder = argv[2], gadgets = argv[3];
    const Gadget first{gadgets + "/camera0", rig::GadgetUdc(gadgets + "/camera0"), "full"};
    const Gadget composite{gadgets + "/camera2", rig::GadgetUdc(gadgets + "/camera2"), "composite"};
    const rig::Profile fullProfile = rig::FullProfile(), noIrisProfile = rig::NoIrisProfile(),
                       compositeProfile = rig::CompositeProfile(), genericProfile = rig::GenericProfile(),
                       everyControlProfile = rig::GenericEveryControlProfile();
    const rig::CameraId full{fullProfile.name, fullProfile.vendorId, fullProfile.productId};
    const rig::CameraId noIris{noIrisProfile.name, noIrisProfile.vendorId, noIrisProfile.productId};
    const rig::CameraId withMicrophone{compositeProfile.name, compositeProfile.vendorId, compositeProfile.productId};
    const rig::CameraId otherMake{genericProfile.name, genericProfile.vendorId, genericProfile.productId};
    const rig::CameraId otherMakeFull{everyControlProfile.name, everyControlProfile.vendorId,
                                      everyControlProfile.productId};
    rig::Judge judge(logPath, {full, noIris, withMicrophone, otherMake, otherMakeFull});
    // Whatever reaches them is in the log, which is read whole at the end.
    judge.MarkOnlyWhenDriven(otherMake);
    judge.MarkOnlyWhenDriven(otherMakeFull);
    const std::string fullIds = "vid_0000&pid_8888", noIrisIds = "vid_0000&pid_00f9";
    Elapsed();

    BaseDevice::Initial();
    bool listed = false;
    const bool all = WaitFor([&] { return Enumerate().size() == 3; }, 60);
    const std::vector<DeviceInfo> list = Enumerate(&listed);
    judge.Check(all && listed, "EnumUSBDevices lists the three gadget cameras (" + std::to_string(list.size()) +
                                   "), not their gadget-side or metadata nodes");
    for (const DeviceInfo& info : list)
        std::printf("RIG-INFO camera %d: \"%s\" %s\n", info.index, info.friendlyName.c_str(), info.devicePath.c_str());
    if (list.size() != 3) return 1;
    judge.Check(NodeNumber(list[0].devicePath) < NodeNumber(list[1].devicePath) &&
                    NodeNumber(list[1].devicePath) < NodeNumber(list[2].devicePath),
                "cameras are in video node order");
    const int fullIndex = IndexOf(list, fullIds), noIrisIndex = IndexOf(list, noIrisIds);
    judge.Check(fullIndex >= 0 && noIrisIndex >= 0, "the cameras are matched by their ids");
    if (fullIndex < 0 || noIrisIndex < 0) return 1;
    // uvcvideo names the node "<product>: <function>"; the friendly name is that name.
    const std::string nodeName = NodeName(NodeNumber(list[fullIndex].devicePath));
    judge.Check(
        list[fullIndex].friendlyName == nodeName && nodeName.rfind(std::string(fullProfile.product) + ": ", 0) == 0,
        "the friendly name is the video node's name (\"" + nodeName + "\")");

    BaseDevice* device = BaseDevice::CreateDevice(USB);
    BaseDevice& d = *device;
    DiscoveryPassTimes(judge, d, fullIndex, full);
    const Column fullColumn{"cam8888: every control", full, Reach::Device};
    judge.Check(d.Open(std::to_string(fullIndex).c_str(), 1), "Open of the full camera");
    judge.Check(std::string(d.GetFriendlyName()) == nodeName, "GetFriendlyName after Open");
    judge.Check(d.LoadPropertyInfo(), "LoadPropertyInfo returns true");
    CheckLoadedRecords(judge, d, true);
    for (const Step& step : FullCameraSteps(d)) judge.Run(fullColumn, step);

    const Column noIrisColumn{"cam00f9: no iris, slowest speed 0", noIris, Reach::Device};
    judge.Check(d.Open(std::to_string(noIrisIndex).c_str(), 1), "Open of the camera without iris");
    judge.Check(d.LoadPropertyInfo(), "LoadPropertyInfo returns true without an iris");
    CheckLoadedRecords(judge, d, false);
    for (const Step& step : NoIrisCameraSteps(d)) judge.Run(noIrisColumn, step);

    std::printf("RIG-INFO the plain cameras took %.0f s\n", Elapsed());
    rig::GenericCameraColumn(judge, d, otherMake);
    rig::GenericEveryControlColumn(judge, d, otherMakeFull);
    std::printf("RIG-INFO with the cameras of other makes, %.0f s\n", Elapsed());
    judge.CheckQuiet(withMicrophone, "the other cameras were driven");
    CompositeColumns(judge, d, withMicrophone, composite, argv[0], responder, logPath);
    std::printf("RIG-INFO with the camera with a microphone, %.0f s\n", Elapsed());

    // Unplugging the open camera: its operations fail, nothing crashes.
    judge.Check(d.Open(std::to_string(IndexOf(Enumerate(), fullIds)).c_str(), 1), "Open before unplugging");
    judge.Settle();
    judge.Check(rig::BindGadget(first.directory, ""), "unplug: unbinding the gadget from its UDC");
    judge.Check(WaitFor([&] { return IndexOf(Enumerate(), fullIds) < 0; }, 30), "discovery loses the unplugged camera");
    judge.Run(fullColumn, {"MirrorOn() unplugged", [&] { return Returned(d.MirrorOn()); }, false, {}, "camera gone"});
    judge.Run(fullColumn, {"SetBrightness(3) unplugged", [&] { return Returned(d.SetBrightness(3)); }, false, {}, ""});
    judge.Run(fullColumn, {"GetBrightness() unplugged",
                           [&] {
                               int value = 77;
                               const bool result = d.GetBrightness(&value);
                               Outcome outcome = Returned(result);
                               outcome.valueAsExpected = value == 77;
                               if (value != 77) outcome.shown += " (out-argument changed)";
                               return outcome;
                           },
                           false,
                           {},
                           "out-argument untouched"});
    judge.Run(fullColumn, {"LoadPropertyInfo() unplugged",
                           [&] {
                               const bool result = d.LoadPropertyInfo();
                               Outcome outcome = Returned(result);
                               outcome.valueAsExpected = d.brightness.supported == 0 && d.whiteBalance.supported == 0;
                               if (!outcome.valueAsExpected) outcome.shown += " (records still supported)";
                               return outcome;
                           },
                           true,
                           {},
                           "true, with every record unsupported"});
    const std::vector<DeviceInfo> remaining = Enumerate();
    judge.Check(remaining.size() == 2 && IndexOf(remaining, fullIds) < 0, "the other cameras are still listed");

    // Plugging it back in: discovery finds it again and it works once reopened.
    judge.Check(rig::BindGadget(first.directory, first.udc), "replug: binding the gadget to its UDC again");
    const int firstResponder = rig::Spawn({responder, first.profile, first.udc, logPath});
    judge.Check(firstResponder > 0, "the camera's responder is back");
    judge.Check(WaitFor([&] { return IndexOf(Enumerate(), fullIds) >= 0 && Enumerate().size() == 3; }, 60),
                "discovery finds the camera again");
    judge.Run(fullColumn, {"MirrorOn() before reopening",
                           [&] { return Returned(d.MirrorOn()); },
                           false,
                           {},
                           "the open device is still the unplugged one",
                           Carrier::Usbfs});
    judge.Check(d.Open(std::to_string(IndexOf(Enumerate(), fullIds)).c_str(), 1), "Open after replugging");
    judge.Run(
        fullColumn,
        {"MirrorOn() after reopening", [&] { return Returned(d.MirrorOn()); }, true, {Roll(0)}, "", Carrier::Usbfs});
    // Last: its firmware is left behind with requests it never answered.
    SilentCameraTimes(judge, d, IndexOf(Enumerate(), fullIds), firstResponder);
    d.Close();
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();
    judge.CheckQuiet(withMicrophone, "the first camera was unplugged and plugged in again");
    rig::CheckNothingReachedRoll(judge, logPath, otherMake, false);
    rig::CheckNothingReachedRoll(judge, logPath, otherMakeFull, true);
    std::printf("RIG-INFO all of it, %.0f s\n", Elapsed());

    judge.PrintTable();
    std::printf("RIG-RESULT %s %d failure(s)\n", judge.Failures() == 0 ? "pass" : "fail", judge.Failures());
    return judge.Failures() == 0 ? 0 : 1;
}
