// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "FirstFrameWatch.h"

#include "Clock.h"
#include "JsonLine.h"
#include "XConnection.h"

#include <xcb/damage.h>

#include <cstdlib>
#include <map>

namespace {

struct TopLevel {
    int x = 0, y = 0, width = 0, height = 0;
    bool overrideRedirect = false;
};

bool intersects(const TopLevel& w, const xcb_rectangle_t& r)
{
    return r.x < w.x + w.width && w.x < r.x + r.width && r.y < w.y + w.height && w.y < r.y + r.height;
}

int fail(const char* why)
{
    JsonLine().add("error", why).print();
    return 1;
}

}  // namespace

int watchFirstFrame(const FirstFrameOptions& options)
{
    XConnection x;
    std::string error;
    if (!x.open(error))
        return fail(error.c_str());
    xcb_connection_t* c = x.get();

    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present)
        return fail("the X server has no DAMAGE extension");
    // The version must be agreed before any other DAMAGE request.
    std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    const std::uint8_t damageNotify = damage->first_event + XCB_DAMAGE_NOTIFY;

    // Without a compositor, damage on the root window also reports drawing
    // into every window on it (X servers report it up the window tree), which
    // is how a program's first frame is seen from outside it. Raw rectangles:
    // one report per drawing request, no acknowledging needed.
    const xcb_damage_damage_t damageId = xcb_generate_id(c);
    xcb_damage_create(c, damageId, x.root(), XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, x.root(), XCB_CW_EVENT_MASK, &mask);
    x.sync();
    JsonLine().add("ready", true).print();

    const std::int64_t deadline = monotonicNs() + options.timeoutNs;
    std::map<xcb_window_t, TopLevel> topLevels;
    xcb_window_t shown = XCB_NONE;
    std::int64_t shownAt = 0;
    for (;;) {
        std::int64_t at = 0;
        XcbEvent event = x.nextEvent(deadline, at);
        if (!event)
            return fail(x.broken() ? "the X connection broke"
                        : shown    ? "timed out waiting for the first frame"
                                   : "timed out waiting for a window");
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event.get());
            if (e->parent == x.root())
                topLevels[e->window] = TopLevel{e->x, e->y, e->width, e->height, e->override_redirect != 0};
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event.get());
            auto it = topLevels.find(e->window);
            if (it != topLevels.end()) {
                it->second.x = e->x;
                it->second.y = e->y;
                it->second.width = e->width;
                it->second.height = e->height;
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            topLevels.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event.get())->window);
        } else if (type == XCB_MAP_NOTIFY && shown == XCB_NONE) {
            auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            auto it = topLevels.find(e->window);
            // A window created before the watch began is not the program's.
            if (it == topLevels.end() || e->override_redirect || it->second.width < options.minWidth
                || it->second.height < options.minHeight)
                continue;
            shown = e->window;
            shownAt = at;
            const TopLevel& w = it->second;
            JsonLine()
                .add("event", "map")
                .add("window", std::int64_t(shown))
                .add("x", w.x)
                .add("y", w.y)
                .add("width", w.width)
                .add("height", w.height)
                .add("t_ns", at)
                .print();
        } else if (type == damageNotify && shown != XCB_NONE) {
            auto* e = reinterpret_cast<xcb_damage_notify_event_t*>(event.get());
            const TopLevel& w = topLevels[shown];
            if (!intersects(w, e->area))
                continue;
            JsonLine()
                .add("event", "first_frame")
                .add("window", std::int64_t(shown))
                .add("area_x", e->area.x)
                .add("area_y", e->area.y)
                .add("area_width", e->area.width)
                .add("area_height", e->area.height)
                .add("t_ns", at)
                .add("after_map_us", (at - shownAt) / 1000)
                .print();
            return 0;
        }
    }
}
