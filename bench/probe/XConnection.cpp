// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "XConnection.h"

#include "Clock.h"

#include <poll.h>

#include <cstdlib>

void XcbEventFree::operator()(xcb_generic_event_t* event) const { std::free(event); }

XConnection::~XConnection()
{
    if (connection)
        xcb_disconnect(connection);
}

bool XConnection::open(std::string& error)
{
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        error = "cannot connect to the X display";
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        error = "the display has no such screen";
        return false;
    }
    screen = it.data;
    return true;
}

void XConnection::sync() { std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr)); }

XcbEvent XConnection::nextEvent(std::int64_t deadlineNs, std::int64_t& receivedNs)
{
    for (;;) {
        // Events already read off the socket (e.g. behind a reply) come first;
        // their time is when they were found, which is as close as we can know.
        if (xcb_generic_event_t* queued = xcb_poll_for_queued_event(connection)) {
            receivedNs = monotonicNs();
            return XcbEvent(queued);
        }
        if (broken())
            return nullptr;
        const std::int64_t left = deadlineNs - monotonicNs();
        if (left <= 0)
            return nullptr;
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        const int timeoutMs = int(left / 1000000) + 1;
        if (poll(&fd, 1, timeoutMs) > 0) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                receivedNs = monotonicNs();
                return XcbEvent(event);
            }
        }
    }
}
