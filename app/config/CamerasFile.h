// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// cameras.conf: the network cameras the panel offers after the USB ones,
// one a line, "ADDRESS [NAME]", in tab order; '#' starts a comment. Read by
// the panel, edited by `ptzdeck camera add|remove`. Plain C++: the command
// line loads no Qt.
#pragma once

#include <string>
#include <vector>

namespace ptzdeck {

struct NetworkCameraEntry {
    int line = 0;  // from 1
    std::string address;
    std::string name;  // empty: the camera's own
};

struct CamerasFile {
    std::vector<NetworkCameraEntry> cameras;
    std::vector<std::string> problems;  // "line N: ...", each line that was left out
};

// $XDG_CONFIG_HOME/ptzdeck/cameras.conf, or ~/.config/ptzdeck/cameras.conf.
std::string CamerasFilePath();

// True for "visca-udp://HOST[:PORT]" and "visca-tcp://HOST[:PORT]"; else
// `why` says what is wrong.
bool IsCameraAddress(const std::string& address, std::string& why);

CamerasFile ParseCamerasFile(const std::string& text);

// What the file says about itself when `ptzdeck camera add` makes it.
extern const char kCamerasFileHeader[];

}  // namespace ptzdeck
