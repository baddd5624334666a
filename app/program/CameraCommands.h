// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// `ptzdeck camera add|remove|list`: cameras.conf edited from the shell. The
// running panel follows the file by itself.
#pragma once

#include "program/CommandLine.h"

namespace ptzdeck::remote {

// Runs a Cameras invocation; returns the exit status.
int RunCamerasCommand(const Invocation& invocation);

}  // namespace ptzdeck::remote
