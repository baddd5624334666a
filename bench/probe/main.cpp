// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// ptzdeck_xprobe: the bench's eyes and hands on an X display.
//
//   ptzdeck_xprobe watch [--timeout S] [--min-size WxH]
//   ptzdeck_xprobe keys --window ID --log PATH [--count N] [--key Left] [--timeout S]
//   ptzdeck_xprobe calls --program PTZDECK --log PATH [--count N] [--timeout S]
//
// Times are CLOCK_MONOTONIC nanoseconds; output is JSON, one object a line.
#include "CallLatency.h"
#include "FirstFrameWatch.h"
#include "JsonLine.h"
#include "KeyLatency.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int usage(const char* why)
{
    JsonLine().add("error", why).print();
    std::fputs(
        "usage: ptzdeck_xprobe watch [--timeout S] [--min-size WxH]\n"
        "       ptzdeck_xprobe keys --window ID --log PATH [--count N] [--key NAME] [--timeout S]\n"
        "       ptzdeck_xprobe calls --program PTZDECK --log PATH [--count N] [--timeout S]\n",
        stderr);
    return 2;
}

bool number(const char* text, long long& value)
{
    char* end = nullptr;
    value = std::strtoll(text, &end, 0);  // 0x... window ids too
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return usage("no mode given");
    const std::string mode = argv[1];
    FirstFrameOptions watch;
    KeyLatencyOptions keys;
    CallLatencyOptions calls;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return usage("an option lacks its value");
        const char* value = argv[++i];
        long long n = 0;
        if (option == "--timeout" && number(value, n) && n > 0) {
            watch.timeoutNs = keys.timeoutNs = calls.timeoutNs = n * 1000000000LL;
        } else if (option == "--min-size" && mode == "watch") {
            if (std::sscanf(value, "%dx%d", &watch.minWidth, &watch.minHeight) != 2)
                return usage("--min-size takes WxH");
        } else if (option == "--window" && number(value, n) && n > 0 && n <= 0xffffffffLL) {
            keys.window = std::uint32_t(n);
        } else if (option == "--log") {
            keys.log = calls.log = value;
        } else if (option == "--program" && mode == "calls") {
            calls.program = value;
        } else if (option == "--count" && number(value, n) && n > 0 && n <= 100000) {
            keys.count = calls.count = int(n);
        } else if (option == "--key") {
            keys.key = value;
        } else {
            return usage(("bad option " + option).c_str());
        }
    }
    if (mode == "watch")
        return watchFirstFrame(watch);
    if (mode == "keys") {
        if (!keys.window || keys.log.empty())
            return usage("keys needs --window and --log");
        return measureKeyLatency(keys);
    }
    if (mode == "calls") {
        if (calls.program.empty() || calls.log.empty())
            return usage("calls needs --program and --log");
        return measureCallLatency(calls);
    }
    return usage("unknown mode");
}
