// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Raw VISCA as a TCP stream brings it: the first byte picks where the
// input is cut in two. Whatever the cut, the same messages come out, each
// ends in its only FF and fits VISCA's longest, and what waits for an FF
// never outgrows one message.
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "visca/ViscaFraming.h"
#include "visca/ViscaMessages.h"

using namespace lumetra::visca;

namespace {

std::vector<Bytes> Split(const uint8_t* data, size_t size, size_t cut) {
    MessageSplitter splitter;
    std::vector<Bytes> out;
    Bytes message;
    auto drain = [&] {
        for (;;) {
            const auto result = splitter.Next(message);
            if (result == MessageSplitter::Result::None) break;
            if (result == MessageSplitter::Result::Overlong) {
                out.push_back({});
                continue;
            }
            FUZZ_CHECK(!message.empty() && message.size() <= kLongestMessage && message.back() == 0xFF);
            for (size_t i = 0; i + 1 < message.size(); ++i) FUZZ_CHECK(message[i] != 0xFF);
            ParseMessage(message);
            out.push_back(message);
        }
        FUZZ_CHECK(splitter.Pending() <= kLongestMessage);
    };
    splitter.Feed(data, cut);
    drain();
    splitter.Feed(data + cut, size - cut);
    drain();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t cut = data[0] % size;
    FUZZ_CHECK(Split(data + 1, size - 1, cut) == Split(data + 1, size - 1, 0));
    return 0;
}
