// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The rig's USB bus seen from the guest: where a camera's usbfs node is, and
// plugging a gadget camera in and out by binding it to its UDC or not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rig {

// /dev/bus/usb/BBB/DDD of the device with these ids; empty when absent.
std::string UsbfsPath(uint16_t vendorId, uint16_t productId);

// The sysfs directory of the USB device with these ids; empty when absent.
std::string UsbDeviceDirectory(uint16_t vendorId, uint16_t productId);

// /dev/videoN of the device's uvcvideo capture node; empty when it has none.
std::string CaptureNode(uint16_t vendorId, uint16_t productId);

// The name of the driver bound to `interfaceDirectory`, or empty.
std::string DriverOf(const std::string& interfaceDirectory);

// Writes `udc` (or nothing, to unbind) into the gadget's UDC file.
bool BindGadget(const std::string& gadgetDirectory, const std::string& udc);

// The UDC a gadget is bound to, from its UDC file.
std::string GadgetUdc(const std::string& gadgetDirectory);

// Starts a program in the background; its process id, or -1.
int Spawn(const std::vector<std::string>& argv);

}  // namespace rig
