// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "config/CamerasFile.h"

#include <cstdlib>

#include "visca/ViscaAddress.h"

namespace ptzdeck {

const char kCamerasFileHeader[] =
    "# ptzdeck's network cameras, offered on the tabs after the USB cameras, in\n"
    "# this order. One a line: ADDRESS [NAME]; '#' starts a comment.\n"
    "#   visca-udp://HOST[:PORT]   VISCA over IP, Sony's framing (port 52381 unless given)\n"
    "#   visca-tcp://HOST[:PORT]   raw VISCA over TCP (port 5678 unless given)\n"
    "# Without a NAME the camera is named by what it answers. The panel follows\n"
    "# changes to this file; `ptzdeck camera add|remove|list` edits it.\n";

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string CamerasFilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    // A relative XDG_CONFIG_HOME is ignored, as the XDG base directory rules say.
    std::string base = config && *config == '/' ? config : std::string(home ? home : "") + "/.config";
    return base + "/ptzdeck/cameras.conf";
}

bool IsCameraAddress(const std::string& address, std::string& why)
{
    lumetra::NetworkAddress parsed;
    return lumetra::ParseNetworkAddress(address, parsed, &why);
}

CamerasFile ParseCamerasFile(const std::string& text)
{
    CamerasFile file;
    size_t start = 0;
    for (int number = 1; start <= text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        const size_t space = line.find_first_of(" \t");
        NetworkCameraEntry entry{
            number, line.substr(0, space), space == std::string::npos ? std::string() : Trimmed(line.substr(space))};
        std::string why;
        if (!IsCameraAddress(entry.address, why)) {
            file.problems.push_back("line " + std::to_string(number) + ": " + entry.address + ": " + why);
            continue;
        }
        file.cameras.push_back(std::move(entry));
    }
    return file;
}

}  // namespace ptzdeck
