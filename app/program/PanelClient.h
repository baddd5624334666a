// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The command line's side of the session bus: a client of the running panel
// that builds no window and opens no display, so that a key bound to a
// command acts at once.
#pragma once

#include "program/CommandLine.h"

namespace ptzdeck::remote {

// Does what the command line asked for (help, a mistake, a call, the state)
// and returns the program's exit status.
int RunClient(const Invocation& invocation);

// Asks a panel already running in this session to come to the front; true
// when one did.
bool ShowRunningPanel();

}  // namespace ptzdeck::remote
