// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// ptzdeck: a control panel for USB PTZ cameras, and its command line.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "program/PanelModule.h"
#include "program/CommandLine.h"
#include "program/PanelClient.h"

namespace {

// Whether the session has a bus a running panel could be found on: its
// address, or the socket where a systemd session keeps it. Without either,
// asking would only try to start a bus for the display; the panel's own claim
// of its name still finds a panel that one started.
bool SessionBusAround()
{
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat socket {};
    return runtime && stat((std::string(runtime) + "/bus").c_str(), &socket) == 0 && S_ISSOCK(socket.st_mode);
}

}  // namespace

int main(int argc, char* argv[])
{
    using namespace ptzdeck::remote;
    // A command is a client of the running panel: no window, no display.
    const Invocation invocation = ParseCommandLine({argv + 1, argv + argc});
    if (invocation.kind != Invocation::Kind::Panel)
        return RunClient(invocation);
    // One panel a session: a second launch brings the first to the front.
    if (SessionBusAround() && ShowRunningPanel())
        return 0;
    return ptzdeck::RunPanel(argc, argv);
}
