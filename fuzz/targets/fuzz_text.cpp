// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Property-bag text: wide text to the narrow text the library hands out
// (BstrToString) and UTF-8 to wide text (what both backends put in their
// property bags), judged against glibc's iconv.
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "BstrToString.h"
#include "FuzzCheck.h"
#include "platform/Utf16.h"

using lumetra::BstrToString;
using lumetra::platform::Utf8ToUtf16;

namespace {

// iconv's conversion of `in`; nothing when iconv finds it malformed.
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    FUZZ_CHECK(cd != reinterpret_cast<iconv_t>(-1));
    std::string out(in.size() * 4 + 16, '\0');
    char* source = const_cast<char*>(in.data());
    size_t sourceLeft = in.size();
    char* target = out.data();
    size_t targetLeft = out.size();
    const size_t result = iconv(cd, &source, &sourceLeft, &target, &targetLeft);
    iconv_close(cd);
    if (result == static_cast<size_t>(-1) || sourceLeft != 0) return std::nullopt;
    out.resize(out.size() - targetLeft);
    return out;
}

std::string AsBytes(const std::u16string& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Well-formed UTF-16: every surrogate is half of a pair.
bool WellFormed(const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) ++i;
        else if (IsHigh(text[i]) || IsLow(text[i])) return false;
    }
    return true;
}

void WideToNarrow(std::string_view bytes) {
    std::u16string wide(bytes.size() / 2, u'\0');
    std::memcpy(wide.data(), bytes.data(), wide.size() * 2);
    const std::string narrow = BstrToString(&wide);

    // What it must have converted: the text up to its first NUL, each lone
    // surrogate standing for one '?'.
    std::u16string expected;
    for (size_t i = 0; i < wide.size() && wide[i] != 0; ++i) {
        if (IsHigh(wide[i]) && i + 1 < wide.size() && IsLow(wide[i + 1])) {
            expected += wide[i];
            expected += wide[++i];
        } else if (IsHigh(wide[i]) || IsLow(wide[i])) {
            expected += u'?';
        } else {
            expected += wide[i];
        }
    }
    const auto judged = Iconv("UTF-8", "UTF-16LE", AsBytes(expected));
    FUZZ_CHECK(judged.has_value());
    FUZZ_CHECK(*judged == narrow);
    FUZZ_CHECK(narrow.find('\0') == std::string::npos);
    FUZZ_CHECK(Utf8ToUtf16(narrow) == expected);
}

void NarrowToWide(std::string_view bytes) {
    const std::u16string wide = Utf8ToUtf16(bytes);
    FUZZ_CHECK(WellFormed(wide));
    const auto judged = Iconv("UTF-16LE", "UTF-8", bytes);
    if (judged) {
        FUZZ_CHECK(*judged == AsBytes(wide));
        // Back to narrow text unchanged, up to a NUL.
        const std::string back = BstrToString(&wide);
        FUZZ_CHECK(back == bytes.substr(0, bytes.find('\0')));
    } else {
        // Malformed input: at least one replacement character stands for it.
        FUZZ_CHECK(wide.find(u'\uFFFD') != std::u16string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        FUZZ_CHECK(BstrToString(nullptr).empty());
        return 0;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) WideToNarrow(bytes);
    else NarrowToWide(bytes);
    return 0;
}
