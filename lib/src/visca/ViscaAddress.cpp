// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "visca/ViscaAddress.h"

#include <utility>

namespace lumetra {
namespace {

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

bool Refused(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

}  // namespace

bool ParseNetworkAddress(const std::string& text, NetworkAddress& address, std::string* why) {
    constexpr const char* kNoHost = "no host name or IP address after the scheme";
    NetworkAddress parsed;
    std::string rest;
    bool schemed = false;
    for (const auto& [scheme, framing] : {std::pair{"visca-udp://", NetworkAddress::Framing::SonyUdp},
                                          std::pair{"visca-tcp://", NetworkAddress::Framing::RawTcp}}) {
        const std::string prefix(scheme);
        if (text.compare(0, prefix.size(), prefix) == 0) {
            parsed.framing = framing;
            rest = text.substr(prefix.size());
            schemed = true;
        }
    }
    if (!schemed) return Refused(why, "an address starts with visca-udp:// or visca-tcp://");
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (rest.empty()) return Refused(why, kNoHost);
    std::string portText;
    bool portNamed = false;
    if (rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close == 1) return Refused(why, kNoHost);
        parsed.host = rest.substr(1, close - 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty() && after.front() != ':') return Refused(why, kNoHost);
        portNamed = !after.empty();
        if (portNamed) portText = after.substr(1);
    } else {
        const size_t colon = rest.find(':');
        parsed.host = rest.substr(0, colon);
        portNamed = colon != std::string::npos;
        if (portNamed) portText = rest.substr(colon + 1);
    }
    if (portNamed && portText.empty()) return Refused(why, kNoHost);
    if (parsed.host.empty()) return Refused(why, kNoHost);
    for (char c : parsed.host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                             c == '-' || c == ':' || c == '_';
        if (!allowed) return Refused(why, kNoHost);
    }
    if (!portNamed) {
        parsed.port = parsed.framing == NetworkAddress::Framing::SonyUdp ? kSonyUdpPort : kRawTcpPort;
    } else if (!ParsePort(portText, parsed.port)) {
        return Refused(why, "the port must be 1 to 65535");
    }
    address = std::move(parsed);
    return true;
}

}  // namespace lumetra
