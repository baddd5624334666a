// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Lists the cameras Lumetra finds and opens the first, through the installed
// header and library alone.
#include <lumetra/BaseDevice.h>

#include <cstdio>
#include <vector>

int main() {
    BaseDevice::Initial();
    std::vector<DeviceInfo> cameras;
    if (!BaseDevice::EnumUSBDevices(cameras)) return 1;
    for (const DeviceInfo& camera : cameras) std::printf("%d %s\n", camera.index, camera.friendlyName.c_str());
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    if (!cameras.empty() && device->Open("0", 0)) {
        std::printf("opened %s\n", device->GetFriendlyName());
        device->Home();
        device->Close();
    }
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();
    return 0;
}
