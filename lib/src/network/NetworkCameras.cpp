// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "network/NetworkCameras.h"

#include <mutex>

namespace lumetra {
namespace {

std::mutex listLock;
std::vector<DeviceInfo>& List() {
    static std::vector<DeviceInfo> list;
    return list;
}

}  // namespace

bool SetNetworkCameras(const std::vector<DeviceInfo>& cameras) {
    NetworkAddress unused;
    for (const DeviceInfo& camera : cameras)
        if (!ParseNetworkAddress(camera.devicePath, unused)) return false;
    std::vector<DeviceInfo> copy = cameras;
    std::lock_guard<std::mutex> hold(listLock);
    List().swap(copy);
    return true;
}

std::vector<DeviceInfo> NetworkCameras() {
    std::lock_guard<std::mutex> hold(listLock);
    return List();
}

}  // namespace lumetra
