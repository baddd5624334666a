// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "config/CamerasFile.h"

#include <cstdlib>

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
    std::string rest;
    for (const char* scheme : {"visca-udp://", "visca-tcp://"})
        if (address.rfind(scheme, 0) == 0)
            rest = address.substr(std::string(scheme).size());
    if (address.rfind("visca-udp://", 0) != 0 && address.rfind("visca-tcp://", 0) != 0) {
        why = "an address starts with visca-udp:// or visca-tcp://";
        return false;
    }
    if (!rest.empty() && rest.back() == '/')
        rest.pop_back();
    std::string host = rest;
    std::string port;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        host = close == std::string::npos ? std::string() : rest.substr(1, close - 1);
        const std::string after = close == std::string::npos ? std::string() : rest.substr(close + 1);
        if (!after.empty() && (after[0] != ':' || after.size() == 1))
            host.clear();
        port = after.empty() ? std::string() : after.substr(1);
    } else if (rest.find(':') != std::string::npos) {
        host = rest.substr(0, rest.find(':'));
        port = rest.substr(rest.find(':') + 1);
        if (port.empty())
            host.clear();
    }
    bool hostOk = !host.empty();
    for (const char c : host)
        hostOk = hostOk
                 && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-'
                     || c == ':' || c == '_');
    if (!hostOk) {
        why = "no host name or IP address after the scheme";
        return false;
    }
    if (!port.empty()) {
        long value = port.size() <= 5 && port.find_first_not_of("0123456789") == std::string::npos
                         ? std::strtol(port.c_str(), nullptr, 10)
                         : 0;
        if (value < 1 || value > 65535) {
            why = "the port must be 1 to 65535";
            return false;
        }
    }
    return true;
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
