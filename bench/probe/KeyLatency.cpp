// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "KeyLatency.h"

#include "Clock.h"
#include "JsonLine.h"
#include "LogFollower.h"
#include "XConnection.h"

#include <xcb/xtest.h>

#include <cstdlib>
#include <vector>

namespace {

int fail(const std::string& why)
{
    JsonLine().add("error", why.c_str()).print();
    return 1;
}

// The keys the panel answers, by their X keysym names.
std::uint32_t keysymNamed(const std::string& name)
{
    static const struct {
        const char* name;
        std::uint32_t keysym;
    } named[] = {{"Left", 0xff51}, {"Up", 0xff52}, {"Right", 0xff53}, {"Down", 0xff54}, {"Home", 0xff50}};
    for (const auto& k : named)
        if (name == k.name)
            return k.keysym;
    if (name.size() == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9')))
        return std::uint32_t(name[0]);
    return 0;
}

xcb_keycode_t keycodeFor(xcb_connection_t* c, std::uint32_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    auto* reply = xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    xcb_keycode_t found = 0;
    for (int code = 0; code < count && !found; ++code)
        for (int i = 0; i < perCode; ++i)
            if (syms[code * perCode + i] == keysym) {
                found = xcb_keycode_t(first + code);
                break;
            }
    std::free(reply);
    return found;
}

}  // namespace

int measureKeyLatency(const KeyLatencyOptions& options)
{
    XConnection x;
    std::string error;
    if (!x.open(error))
        return fail(error);
    xcb_connection_t* c = x.get();
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(c, &xcb_test_id);
    if (!xtest || !xtest->present)
        return fail("the X server has no XTEST extension");
    const std::uint32_t keysym = keysymNamed(options.key);
    if (!keysym)
        return fail("unknown key " + options.key);
    const xcb_keycode_t keycode = keycodeFor(c, keysym);
    if (!keycode)
        return fail("no keycode carries " + options.key);

    LogFollower log;
    if (!log.open(options.log, error))
        return fail(error);

    // No window manager gives the window focus; the probe does, as a click would.
    xcb_void_cookie_t focus =
        xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_POINTER_ROOT, options.window, XCB_CURRENT_TIME);
    if (xcb_generic_error_t* refused = xcb_request_check(c, focus)) {
        std::free(refused);
        return fail("cannot focus the window");
    }

    std::vector<std::int64_t> pressUs, releaseUs, pressLines, releaseLines;
    for (int i = 0; i < options.count; ++i) {
        for (const bool press : {true, false}) {
            const std::int64_t sent = monotonicNs();
            xcb_test_fake_input(
                c, press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(c);
            const int lines = log.waitForLines(sent + options.timeoutNs);
            const std::int64_t arrived = monotonicNs();
            if (!lines) {
                // A key left down would swallow the next run's first press.
                if (press)
                    xcb_test_fake_input(c, XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
                x.sync();
                return fail(std::string("no request reached the camera after key ") + (press ? "press " : "release ")
                            + std::to_string(i + 1));
            }
            (press ? pressUs : releaseUs).push_back((arrived - sent) / 1000);
            (press ? pressLines : releaseLines).push_back(lines);
        }
    }
    JsonLine()
        .add("key", options.key.c_str())
        .add("count", options.count)
        .add("press_us", pressUs)
        .add("release_us", releaseUs)
        .add("press_lines", pressLines)
        .add("release_lines", releaseLines)
        .print();
    return 0;
}
