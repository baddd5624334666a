// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The network cameras a program named (BaseDevice::SetNetworkCameras): their
// addresses, read once, and the list the enumeration appends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lumetra/BaseDevice.h"

namespace lumetra {

struct NetworkAddress {
    enum class Framing { SonyUdp, RawTcp };
    Framing framing = Framing::SonyUdp;
    std::string host;
    uint16_t port = 0;
};

// The ports cameras listen on when the address names none: Sony's VISCA
// over IP port, and the raw TCP port most cameras use.
constexpr uint16_t kSonyUdpPort = 52381;
constexpr uint16_t kRawTcpPort = 5678;

// "visca-udp://HOST[:PORT]" or "visca-tcp://HOST[:PORT]"; HOST a name, an
// IPv4 address or an IPv6 one in brackets. False for anything else.
bool ParseNetworkAddress(const std::string& text, NetworkAddress& address);

// Replaces the list; false, with the list unchanged, when an address does
// not parse. Safe from any thread.
bool SetNetworkCameras(const std::vector<DeviceInfo>& cameras);
std::vector<DeviceInfo> NetworkCameras();

}  // namespace lumetra
