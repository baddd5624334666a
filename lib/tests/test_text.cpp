// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Property-bag texts: wide to narrow and back.
#include <gtest/gtest.h>

#include "BstrToString.h"
#include "platform/Utf16.h"

namespace lumetra {
namespace {

std::string Narrow(const std::u16string& s) { return BstrToString(&s); }

TEST(BstrToString, NullAndEmptyGiveEmptyText) {
    EXPECT_EQ(BstrToString(nullptr), "");
    EXPECT_EQ(Narrow(u""), "");
}

TEST(BstrToString, ConvertsToUtf8) {
    EXPECT_EQ(Narrow(u"USB Camera"), "USB Camera");
    EXPECT_EQ(Narrow(u"Cam\u00e9ra"), "Cam\xC3\xA9ra");
    EXPECT_EQ(Narrow(u"\u6444\u50cf"), "\xE6\x91\x84\xE5\x83\x8F");
    EXPECT_EQ(Narrow(u"\U0001F4F7"), "\xF0\x9F\x93\xB7");  // a surrogate pair
    EXPECT_EQ(Narrow(u"\u07ff\u0800\uffff"), "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
}

TEST(BstrToString, LoneSurrogatesBecomeQuestionMarks) {
    EXPECT_EQ(Narrow(std::u16string{u'a', 0xD83D}), "a?");
    EXPECT_EQ(Narrow(std::u16string{0xDCF7, u'b'}), "?b");
    EXPECT_EQ(Narrow(std::u16string{0xD83D, u'c', 0xDCF7}), "?c?");
    EXPECT_EQ(Narrow(std::u16string{0xD83D, 0xD83D, 0xDCF7}), "?\xF0\x9F\x93\xB7");
}

TEST(BstrToString, EndsAtTheFirstNul) {
    EXPECT_EQ(Narrow(std::u16string(u"ab\0cd", 5)), "ab");
    EXPECT_EQ(Narrow(std::u16string(u"\0x", 2)), "");
}

TEST(Utf8ToUtf16, RoundTripsWellFormedText) {
    const std::string text = "Cam\xC3\xA9ra \xE6\x91\x84 \xF0\x9F\x93\xB7 \x7F";
    const std::u16string wide = platform::Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"Cam\u00e9ra \u6444 \U0001F4F7 \x7f");
    EXPECT_EQ(Narrow(wide), text);
}

TEST(Utf8ToUtf16, MalformedSequencesBecomeReplacementCharacters) {
    using platform::Utf8ToUtf16;
    EXPECT_EQ(Utf8ToUtf16("a\x80z"), u"a\ufffdz");          // stray continuation
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\ufffd\ufffd");    // overlong NUL
    EXPECT_EQ(Utf8ToUtf16("\xE0\x80\xAF"), u"\ufffd");      // overlong '/'
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80!"), u"\ufffd!");    // encoded surrogate
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\ufffd");  // past U+10FFFF
    EXPECT_EQ(Utf8ToUtf16("x\xE2\x82"), u"x\ufffd");        // cut short at the end
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82x"), u"\ufffdx");        // cut short mid-text
    EXPECT_EQ(Utf8ToUtf16("\xFF\xFE"), u"\ufffd\ufffd");
    EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

}  // namespace
}  // namespace lumetra
