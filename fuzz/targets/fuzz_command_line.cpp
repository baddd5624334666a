// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The program's command line: any words at all. Parsing never fails badly,
// a mistake is one line naming it, and whatever is accepted is a call the
// panel takes with every value in range; written back as words, an accepted
// call reads the same again.
#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "program/CommandLine.h"

using namespace ptzdeck::remote;
using Kind = Invocation::Kind;
using Type = Argument::Type;

namespace {

// A table, laid out by hand.
// clang-format off
const char* const kWords[] = {
    "call", "store", "clear", "camera", "move", "stop", "zoom", "focus", "home", "af", "framing", "mute", "mirror",
    "flip", "on-top", "show", "hide", "toggle", "status", "help", "--help", "-h", "--json", "--for", "--for=",
    "in", "out", "near", "far", "on", "off", "left", "right", "up", "down", "up-left", "up-right", "down-left",
    "down-right", "0", "9", "10", "-1", "21", "22", "14", "15", "3,4", ",", "0.5", ".5", "3600", "3600.0001",
    "1e3", "", "-platform"};

std::string SomeWord(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return in.ConsumeRandomLengthString(48);
    case 1:
        return kWords[in.ConsumeIntegralInRange<size_t>(0, sizeof kWords / sizeof kWords[0] - 1)]
               + in.ConsumeRandomLengthString(4);
    default:
        return kWords[in.ConsumeIntegralInRange<size_t>(0, sizeof kWords / sizeof kWords[0] - 1)];
    }
}
// clang-format on

bool IsDirection(const std::string& word) {
    for (const char* d : {"left", "right", "up", "down", "up-left", "up-right", "down-left", "down-right"})
        if (word == d) return true;
    return false;
}

bool Same(const Argument& a, const Argument& b) {
    return a.type == b.type && a.int32 == b.int32 && a.boolean == b.boolean && a.string == b.string && a.real == b.real;
}

bool Same(const Invocation& a, const Invocation& b) {
    if (a.kind != b.kind || a.error != b.error || a.json != b.json || a.method != b.method ||
        a.timeoutMs != b.timeoutMs || a.arguments.size() != b.arguments.size())
        return false;
    for (size_t i = 0; i < a.arguments.size(); ++i)
        if (!Same(a.arguments[i], b.arguments[i])) return false;
    return true;
}

bool Types(const Invocation& call, std::initializer_list<Type> types) {
    if (call.arguments.size() != types.size()) return false;
    size_t i = 0;
    for (const Type type : types)
        if (call.arguments[i++].type != type) return false;
    return true;
}

// Every call the command line makes, with the ranges the panel takes, and
// the words that ask for it.
std::vector<std::string> CheckAndWriteBack(const Invocation& call) {
    const std::string& m = call.method;
    const auto& a = call.arguments;
    const auto number = [&](size_t i) { return std::to_string(a[i].int32); };
    const auto onOff = [&] { return a[0].boolean ? "on" : "off"; };
    FUZZ_CHECK(call.timeoutMs > 0);
    if (m == "RecallPreset" || m == "StorePreset" || m == "ClearPreset") {
        FUZZ_CHECK(Types(call, {Type::Int32}) && a[0].int32 >= 0 && a[0].int32 <= 9);
        return {m == "RecallPreset" ? "call" : m == "StorePreset" ? "store" : "clear", number(0)};
    }
    if (m == "ChooseCamera") {
        FUZZ_CHECK(Types(call, {Type::Int32}) && a[0].int32 >= 1 && a[0].int32 <= 5);
        return {"camera", number(0)};
    }
    if (m == "Move" || m == "MoveFor") {
        const bool timed = m == "MoveFor";
        FUZZ_CHECK(timed ? Types(call, {Type::String, Type::Int32, Type::Int32, Type::Double})
                         : Types(call, {Type::String, Type::Int32, Type::Int32}));
        const std::string& direction = a[0].string;
        FUZZ_CHECK(IsDirection(direction));
        FUZZ_CHECK(a[1].int32 >= 0 && a[1].int32 <= 21 && a[2].int32 >= 0 && a[2].int32 <= 14);
        const bool pans = direction != "up" && direction != "down";
        const bool tilts = direction != "left" && direction != "right";
        // An axis the direction does not drive gets no speed.
        FUZZ_CHECK((pans || a[1].int32 == 0) && (tilts || a[2].int32 == 0));
        std::vector<std::string> words = {"move", direction,
                                          pans && tilts ? number(1) + "," + number(2)
                                          : pans        ? number(1)
                                                        : number(2)};
        if (timed) {
            const double seconds = a[3].real;
            FUZZ_CHECK(std::isfinite(seconds) && seconds > 0 && seconds <= 3600);
            FUZZ_CHECK(call.timeoutMs >= seconds * 1000);
            char text[64];
            const auto written = std::to_chars(text, text + sizeof text, seconds, std::chars_format::fixed);
            FUZZ_CHECK(written.ec == std::errc());
            words.push_back("--for");
            words.emplace_back(text, written.ptr);
        }
        return words;
    }
    for (const auto& [method, word] : {std::pair{"SetAutoFocus", "af"},
                                       {"SetAutoFraming", "framing"},
                                       {"SetMute", "mute"},
                                       {"SetMirror", "mirror"},
                                       {"SetFlip", "flip"},
                                       {"SetStayOnTop", "on-top"}})
        if (m == method) {
            FUZZ_CHECK(Types(call, {Type::Boolean}));
            return {word, onOff()};
        }
    for (const auto& [method, words] : {std::pair<const char*, std::vector<std::string>>{"Stop", {"stop"}},
                                        {"Home", {"home"}},
                                        {"ZoomIn", {"zoom", "in"}},
                                        {"ZoomOut", {"zoom", "out"}},
                                        {"ZoomStop", {"zoom", "stop"}},
                                        {"FocusNear", {"focus", "near"}},
                                        {"FocusFar", {"focus", "far"}},
                                        {"FocusStop", {"focus", "stop"}},
                                        {"Show", {"show"}},
                                        {"Hide", {"hide"}},
                                        {"Toggle", {"toggle"}}})
        if (m == method) {
            FUZZ_CHECK(a.empty());
            return words;
        }
    FUZZ_CHECK(!"a method the panel does not have");
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::string> words(in.ConsumeIntegralInRange<size_t>(0, 6));
    for (std::string& word : words) word = SomeWord(in);

    const Invocation parsed = ParseCommandLine(words);
    FUZZ_CHECK(Same(parsed, ParseCommandLine(words)));

    // The panel itself: no words, or Qt's options.
    const bool help = !words.empty() && (words[0] == "--help" || words[0] == "-h" || words[0] == "help");
    FUZZ_CHECK((parsed.kind == Kind::Panel) == (words.empty() || (!help && words[0][0] == '-')));
    FUZZ_CHECK((parsed.kind == Kind::Help) == help);

    switch (parsed.kind) {
    case Kind::Usage:
        // One line, short, whatever was typed.
        FUZZ_CHECK(!parsed.error.empty() && parsed.error.size() < 400);
        for (const char c : parsed.error) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        break;
    case Kind::Status:
        FUZZ_CHECK(words[0] == "status" && parsed.json == (words.size() == 2) && parsed.timeoutMs > 0);
        break;
    case Kind::Call: {
        const std::vector<std::string> again = CheckAndWriteBack(parsed);
        FUZZ_CHECK(Same(ParseCommandLine(again), parsed));
        break;
    }
    case Kind::Cameras:
        // cameras.conf's commands: whatever they write stays one line of it.
        FUZZ_CHECK(words[0] == "camera" && words[1] == parsed.method);
        FUZZ_CHECK(parsed.method == "list"       ? parsed.arguments.empty()
                   : parsed.method == "discover" ? parsed.arguments.size() == 1 && parsed.arguments[0].int32 >= 1 &&
                                                       parsed.arguments[0].int32 <= 30
                                                 : parsed.arguments.size() - 1 <= 1);
        for (const auto& argument : parsed.arguments)
            for (const char c : argument.string) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != '#');
        break;
    case Kind::Panel:
    case Kind::Help: break;
    }
    return 0;
}
