// The rig's USB bus seen from the guest: where a camera's usbfs node is, and
// plugging a gadget camera in and out by binding it to its UDC or not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rig {

// /dev/bus/usb/BBB/DDD of the device with these ids; empty when absent.
std::string UsbfsPath(uint16_t vendorId, uint16_t productId);

// Writes `udc` (or nothing, to unbind) into the gadget's UDC file.
bool BindGadget(const std::string& gadgetDirectory, const std::string& udc);

// Starts a program in the background; false when it could not be started.
bool Spawn(const std::vector<std::string>& argv);

}  // namespace rig
