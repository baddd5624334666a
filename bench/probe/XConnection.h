// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// An xcb connection to $DISPLAY that says why it failed, and a wait for its
// next events with a deadline (poll on its socket: no busy loop).
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <string>

struct XcbEventFree {
    void operator()(xcb_generic_event_t* event) const;
};
using XcbEvent = std::unique_ptr<xcb_generic_event_t, XcbEventFree>;

class XConnection {
public:
    XConnection() = default;
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    // False with `error` set when $DISPLAY cannot be reached.
    bool open(std::string& error);

    xcb_connection_t* get() const { return connection; }
    xcb_window_t root() const { return screen->root; }

    // Blocks until every request sent so far has been handled by the server.
    void sync();

    // The next event, waiting until `deadlineNs` (CLOCK_MONOTONIC); null on
    // timeout or a broken connection. `receivedNs` is when it was read.
    XcbEvent nextEvent(std::int64_t deadlineNs, std::int64_t& receivedNs);

    bool broken() const { return xcb_connection_has_error(connection) != 0; }

private:
    xcb_connection_t* connection = nullptr;
    xcb_screen_t* screen = nullptr;
};
