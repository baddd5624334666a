// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A network camera's address as the library, cameras.conf and the command
// line write it: one reader for all of them.
#pragma once

#include <cstdint>
#include <string>

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
// IPv4 address or an IPv6 one in brackets. False for anything else, with
// `why` (when given) saying what is wrong.
bool ParseNetworkAddress(const std::string& text, NetworkAddress& address, std::string* why = nullptr);

}  // namespace lumetra
