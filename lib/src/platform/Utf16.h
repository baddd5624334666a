// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// UTF-8 to UTF-16, for backends that hand out wide property texts.
#pragma once

#include <string>
#include <string_view>

namespace lumetra::platform {

// Malformed UTF-8 (stray continuation bytes, overlong forms, surrogates,
// values past U+10FFFF, truncated sequences) becomes one U+FFFD per
// malformed sequence. Embedded NULs are kept.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace lumetra::platform
