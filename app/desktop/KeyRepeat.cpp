// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// X11: the XKB "detectable auto-repeat" flag of Qt's own client connection
// makes the server send a held key as repeated presses without the
// intermediate releases. Qt's guess at which releases are repeats depends on
// whether the following press has already been read, so it cannot be relied on.
#include "desktop/KeyRepeat.h"

#include <QX11Info>
#include <cstdlib>
#include <xcb/xcb.h>
// The XKB header names a field "explicit"; Qt includes it the same way.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace ptzdeck::platform {

void ReportHeldKeysAsRepeatedPresses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    if (!QX11Info::isPlatformX11())
        return;
    xcb_connection_t* connection = QX11Info::connection();
    if (!connection)
        return;
    // Qt has already enabled XKB on this connection; asking again is harmless
    // and makes the flag request valid on its own.
    std::free(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    // Without the flag (a server without XKB) the window still skips the
    // releases Qt marks as repeats.
    std::free(xcb_xkb_per_client_flags_reply(
        connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr));
}

}  // namespace ptzdeck::platform
