// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Conversion of a property-bag text to the narrow text the library hands out.
#pragma once

#include <string>

namespace lumetra {

// A "BSTR": null stands for no text at all. The narrow code page on Linux is
// UTF-8; a lone surrogate, which UTF-8 cannot carry, becomes '?'. The result
// ends at the first NUL of `text`.
std::string BstrToString(const std::u16string* text);

}  // namespace lumetra
