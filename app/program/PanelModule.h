// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel lives in a module of its own: the window, Qt and the camera
// library are loaded only when the program runs the panel, so that a command
// of the command line starts in a few milliseconds.
#pragma once

#define PTZDECK_PANEL_EXPORT __attribute__((visibility("default")))

// The module's entry point: runs the panel and returns its exit status.
// `showRunningPanel` brings a panel already running forward; true when one did.
extern "C" int ptzdeck_panel_main(int argc, char* argv[], int (*showRunningPanel)());

namespace ptzdeck {

// Loads the module (beside the program in the build, under the library
// directory when installed) and runs the panel; a message and 1 if it
// cannot be loaded.
int RunPanel(int argc, char* argv[]);

}  // namespace ptzdeck
