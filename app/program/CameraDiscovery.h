// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// `ptzdeck camera discover`: Sony's VISCA over IP discovery, only when asked.
// An "ENQ:network" broadcast to UDP port 52380 on every interface that can
// broadcast; each camera's answer is printed as the line `camera add` takes.
#pragma once

#include <map>
#include <string>

namespace ptzdeck::remote {

// The fields of one answer (STX, then FIELD:value pairs each ended by FF,
// then ETX): MAC, MODEL, IPADR, NAME and the rest. Empty when it is none.
std::map<std::string, std::string> ReadDiscoveryAnswer(const std::string& datagram);

// Listens for answers for `seconds`; returns the exit status.
int RunDiscovery(int seconds);

}  // namespace ptzdeck::remote
