// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// VISCA bytes written as the protocol's documents write them: "81 01 06 01 FF".
#pragma once

#include <string>

#include "visca/ViscaFraming.h"

namespace lumetra::test {

inline visca::Bytes Hex(const std::string& text) {
    visca::Bytes out;
    std::string digits;
    for (char c : text)
        if (c != ' ') digits += c;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace lumetra::test
