// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// lumetra-cli: list the cameras the library sees and drive one from a shell.
//
//   lumetra-cli [--sim DIR] list | list-all
//   lumetra-cli [--sim DIR] open | open-any INDEX [OPERATION [VALUE]]...
//
// --sim DIR uses the simulated bus in DIR (as LUMETRA_SIM_DIR does);
// without it, whatever LUMETRA_SIM_DIR says, or the real cameras.
// OPERATION is an operation's name (PanLeft 5, MirrorOn, GetZoom, ...);
// LoadPropertyInfo also prints the records it filled. list-all and open-any
// take the cameras of other makes too, numbered after the supported ones.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lumetra/BaseDevice.h"

namespace {

using NoArgument = bool (BaseDevice::*)();
using IntArgument = bool (BaseDevice::*)(int);
using Getter = bool (BaseDevice::*)(int*);

// A table, laid out by hand.
// clang-format off
const std::map<std::string, NoArgument> kNoArgument = {
    {"TiltUpStop", &BaseDevice::TiltUpStop}, {"TiltDownStop", &BaseDevice::TiltDownStop},
    {"PanLeftStop", &BaseDevice::PanLeftStop}, {"PanRightStop", &BaseDevice::PanRightStop},
    {"FocusManual", &BaseDevice::FocusManual}, {"FocusAuto", &BaseDevice::FocusAuto},
    {"FocusStop", &BaseDevice::FocusStop}, {"ZoomStop", &BaseDevice::ZoomStop},
    {"ZoomReset", &BaseDevice::ZoomReset}, {"PanReset", &BaseDevice::PanReset},
    {"TiltReset", &BaseDevice::TiltReset}, {"MuteOn", &BaseDevice::MuteOn},
    {"MuteOff", &BaseDevice::MuteOff}, {"FlipOn", &BaseDevice::FlipOn},
    {"FlipOff", &BaseDevice::FlipOff}, {"MirrorOn", &BaseDevice::MirrorOn},
    {"MirrorOff", &BaseDevice::MirrorOff}, {"Command10", &BaseDevice::Command10},
    {"Command11", &BaseDevice::Command11}, {"Home", &BaseDevice::Home},
    {"Command18", &BaseDevice::Command18}, {"Command19", &BaseDevice::Command19},
    {"FramingAuto", &BaseDevice::FramingAuto}, {"FramingManual", &BaseDevice::FramingManual},
    {"RestoreDefaults", &BaseDevice::RestoreDefaults}, {"BacklightOn", &BaseDevice::BacklightOn},
    {"BacklightOff", &BaseDevice::BacklightOff},
};
// clang-format on

// A table, laid out by hand.
// clang-format off
const std::map<std::string, IntArgument> kIntArgument = {
    {"TiltUp", &BaseDevice::TiltUp}, {"TiltDown", &BaseDevice::TiltDown},
    {"PanLeft", &BaseDevice::PanLeft}, {"PanRight", &BaseDevice::PanRight},
    {"FocusNear", &BaseDevice::FocusNear}, {"FocusFar", &BaseDevice::FocusFar},
    {"ZoomIn", &BaseDevice::ZoomIn}, {"ZoomOut", &BaseDevice::ZoomOut},
    {"PresetClear", &BaseDevice::PresetClear}, {"PresetSet", &BaseDevice::PresetSet},
    {"PresetCall", &BaseDevice::PresetCall}, {"SetBrightness", &BaseDevice::SetBrightness},
    {"SetBacklight", &BaseDevice::SetBacklight}, {"SetGamma", &BaseDevice::SetGamma},
    {"SetContrast", &BaseDevice::SetContrast}, {"SetSaturation", &BaseDevice::SetSaturation},
    {"SetSharpness", &BaseDevice::SetSharpness}, {"SetWhiteBalance", &BaseDevice::SetWhiteBalance},
    {"SetWhiteBalanceMode", &BaseDevice::SetWhiteBalanceMode}, {"SetGain", &BaseDevice::SetGain},
    {"SetPowerLineFrequency", &BaseDevice::SetPowerLineFrequency},
    {"SetWhiteBalanceBlue", &BaseDevice::SetWhiteBalanceBlue},
    {"SetWhiteBalanceRed", &BaseDevice::SetWhiteBalanceRed}, {"SetExposure", &BaseDevice::SetExposure},
    {"SetIris", &BaseDevice::SetIris},
};
// clang-format on

// A table, laid out by hand.
// clang-format off
const std::map<std::string, Getter> kGetter = {
    {"GetZoom", &BaseDevice::GetZoom}, {"GetFocus", &BaseDevice::GetFocus},
    {"GetBrightness", &BaseDevice::GetBrightness}, {"GetBacklight", &BaseDevice::GetBacklight},
    {"GetGamma", &BaseDevice::GetGamma}, {"GetContrast", &BaseDevice::GetContrast},
    {"GetSaturation", &BaseDevice::GetSaturation}, {"GetSharpness", &BaseDevice::GetSharpness},
    {"GetWhiteBalance", &BaseDevice::GetWhiteBalance}, {"GetGain", &BaseDevice::GetGain},
    {"GetPowerLineFrequency", &BaseDevice::GetPowerLineFrequency},
    {"GetExposure", &BaseDevice::GetExposure}, {"GetIris", &BaseDevice::GetIris},
};
// clang-format on

int Usage()
{
    std::fprintf(stderr,
        "usage: lumetra-cli [--sim DIR] list | list-all\n"
        "       lumetra-cli [--sim DIR] open | open-any INDEX [OPERATION [VALUE]]...\n");
    return 2;
}

const char* Result(bool ok) { return ok ? "true" : "false"; }

void PrintRecords(BaseDevice& d)
{
    // A table, laid out by hand.
    // clang-format off
    const std::pair<const char*, const PropertyInfo*> records[] = {
        {"whiteBalance", &d.whiteBalance}, {"exposure", &d.exposure}, {"iris", &d.iris},
        {"gain", &d.gain}, {"brightness", &d.brightness}, {"saturation", &d.saturation},
        {"sharpness", &d.sharpness}, {"powerLineFrequency", &d.powerLineFrequency},
        {"backlightCompensation", &d.backlightCompensation}, {"gamma", &d.gamma},
        {"contrast", &d.contrast},
    };
    // clang-format on
    std::printf("  %-22s %7s %7s %5s %7s %7s %s\n", "record", "min", "max", "step", "default", "current", "supported");
    for (const auto& [name, r] : records)
        std::printf("  %-22s %7d %7d %5d %7d %7d %d\n", name, r->min, r->max, r->step, r->defaultValue, r->current,
            r->supported);
}

int List(bool all)
{
    std::vector<DeviceInfo> cameras;
    if (!(all ? BaseDevice::EnumAllUSBDevices(cameras) : BaseDevice::EnumUSBDevices(cameras))) {
        std::printf("no video-capture devices\n");
        return 1;
    }
    if (cameras.empty())
        std::printf(all ? "no cameras that can move\n" : "no supported cameras\n");
    for (const DeviceInfo& c : cameras)
        std::printf("%d  %s  %s\n", c.index, c.friendlyName.c_str(), c.devicePath.c_str());
    return 0;
}

int Drive(const char* index, bool any, char** args, int count)
{
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    const char* open = any ? "OpenAny" : "Open";
    if (!(any ? device->OpenAny(index, 1) : device->Open(index, 1))) {
        std::printf("%s %s -> false\n", open, index);
        return 1;
    }
    std::printf("%s %s -> true: %s\n", open, index, device->GetFriendlyName());
    int status = 0;
    for (int i = 0; i < count; ++i) {
        const std::string op = args[i];
        bool ok = false;
        if (const auto it = kNoArgument.find(op); it != kNoArgument.end()) {
            ok = (device->*it->second)();
            std::printf("%s -> %s\n", op.c_str(), Result(ok));
        } else if (const auto it = kIntArgument.find(op); it != kIntArgument.end()) {
            if (i + 1 >= count)
                return Usage();
            const int value = std::atoi(args[++i]);
            ok = (device->*it->second)(value);
            std::printf("%s %d -> %s\n", op.c_str(), value, Result(ok));
        } else if (const auto it = kGetter.find(op); it != kGetter.end()) {
            int value = 0;
            ok = (device->*it->second)(&value);
            if (ok)
                std::printf("%s -> true: %d\n", op.c_str(), value);
            else
                std::printf("%s -> false\n", op.c_str());
        } else if (op == "LoadPropertyInfo") {
            ok = device->LoadPropertyInfo();
            std::printf("%s -> %s\n", op.c_str(), Result(ok));
            PrintRecords(*device);
        } else {
            std::fprintf(stderr, "unknown operation: %s\n", op.c_str());
            return Usage();
        }
        if (!ok)
            status = 1;
    }
    device->Close();
    BaseDevice::DeleteDevice(device);
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    int next = 1;
    if (next + 1 < argc && std::strcmp(argv[next], "--sim") == 0) {
        ::setenv("LUMETRA_SIM_DIR", argv[next + 1], 1);  // before the first library call
        next += 2;
    }
    if (next >= argc)
        return Usage();
    BaseDevice::Initial();
    int status = 2;
    const std::string command = argv[next];
    if ((command == "list" || command == "list-all") && next + 1 == argc)
        status = List(command == "list-all");
    else if ((command == "open" || command == "open-any") && next + 1 < argc)
        status = Drive(argv[next + 1], command == "open-any", argv + next + 2, argc - next - 2);
    else
        status = Usage();
    BaseDevice::Release();
    return status;
}
