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

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

bool ParseNetworkAddress(const std::string& text, NetworkAddress& address) {
    NetworkAddress parsed;
    std::string rest;
    for (const auto& [scheme, framing] : {std::pair{"visca-udp://", NetworkAddress::Framing::SonyUdp},
                                          std::pair{"visca-tcp://", NetworkAddress::Framing::RawTcp}}) {
        const std::string prefix(scheme);
        if (text.compare(0, prefix.size(), prefix) == 0) {
            parsed.framing = framing;
            rest = text.substr(prefix.size());
        }
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (rest.empty()) return false;
    std::string portText;
    if (rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close == 1) return false;
        parsed.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty() && after.front() != ':') return false;
        if (!after.empty()) portText = after.substr(1);
        if (!after.empty() && portText.empty()) return false;
    } else {
        const size_t colon = rest.find(':');
        parsed.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            portText = rest.substr(colon + 1);
            if (portText.empty()) return false;
        }
    }
    if (parsed.host.empty()) return false;
    for (char c : parsed.host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                             c == '-' || c == ':' || c == '_';
        if (!allowed) return false;
    }
    if (portText.empty()) {
        parsed.port = parsed.framing == NetworkAddress::Framing::SonyUdp ? kSonyUdpPort : kRawTcpPort;
    } else if (!ParsePort(portText, parsed.port)) {
        return false;
    }
    address = std::move(parsed);
    return true;
}

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
