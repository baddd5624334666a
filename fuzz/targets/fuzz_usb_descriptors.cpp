// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The raw USB descriptors sysfs keeps for a device come from the device
// itself: any bytes are read without harm, and a camera terminal found in
// them is one that is really there.
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/v4l2/UsbDescriptors.h"

using lumetra::platform::v4l2::CameraTerminal;
using lumetra::platform::v4l2::FindCameraTerminal;

namespace {

// A class-specific input terminal descriptor of type camera (0x0201) with
// this id starts somewhere in the bytes.
bool TerminalPresent(std::string_view bytes, uint8_t id) {
    for (size_t at = 0; at + 6 <= bytes.size(); ++at) {
        const auto b = [&](size_t i) { return static_cast<uint8_t>(bytes[at + i]); };
        if (b(0) >= 15 && b(1) == 0x24 && b(2) == 0x02 && b(3) == id && b(4) == 0x01 && b(5) == 0x02) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first two bytes choose which configuration and interface to look in.
    const int configuration = data[0] == 0xFF ? -1 : data[0];
    const uint8_t interfaceNumber = data[1];
    const std::string_view descriptors(reinterpret_cast<const char*>(data) + 2, size - 2);
    const auto terminal = FindCameraTerminal(descriptors, configuration, interfaceNumber);
    if (!terminal) return 0;
    FUZZ_CHECK(TerminalPresent(descriptors, terminal->terminalId));
    FUZZ_CHECK(terminal->controlBytes <= descriptors.size());
    for (unsigned bit = 0; bit < 40; ++bit) {
        if (terminal->HasControl(bit)) {
            FUZZ_CHECK(bit < 8u * terminal->controlBytes);
            FUZZ_CHECK(bit < 32);
        }
    }
    // The same bytes give the same answer.
    const auto again = FindCameraTerminal(descriptors, configuration, interfaceNumber);
    FUZZ_CHECK(again && again->terminalId == terminal->terminalId && again->bmControls == terminal->bmControls &&
               again->controlBytes == terminal->controlBytes);
    return 0;
}
