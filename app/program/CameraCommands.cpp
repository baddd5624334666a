// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "program/CameraCommands.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "config/CamerasFile.h"
#include "program/CameraDiscovery.h"

namespace ptzdeck::remote {
namespace {

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return errno == ENOENT;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

// Written aside and renamed, so the panel never reads half a file.
bool WriteText(const std::string& path, const std::string& text)
{
    const std::string directory = path.substr(0, path.rfind('/'));
    for (size_t slash = 1; slash != std::string::npos; slash = directory.find('/', slash + 1))
        ::mkdir(directory.substr(0, slash).c_str(), 0755);
    ::mkdir(directory.c_str(), 0755);
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush())
            return false;
    }
    return std::rename(part.c_str(), path.c_str()) == 0;
}

int Failed(const std::string& message, int status)
{
    std::fprintf(stderr, "ptzdeck: %s\n", message.c_str());
    return status;
}

// The text without the lines of the entries `drop` chooses.
template <typename Drop>
std::string Without(const std::string& text, const CamerasFile& file, Drop drop)
{
    std::string kept;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        bool dropped = false;
        for (size_t i = 0; i < file.cameras.size(); ++i)
            dropped = dropped || (file.cameras[i].line == number && drop(i, file.cameras[i]));
        if (!dropped)
            kept += text.substr(start, end - start);
        start = end;
    }
    return kept;
}

}  // namespace

int RunCamerasCommand(const Invocation& invocation)
{
    const std::string path = CamerasFilePath();
    std::string text;
    if (!ReadText(path, text))
        return Failed(path + ": " + std::strerror(errno), kExitRefused);
    const CamerasFile file = ParseCamerasFile(text);
    const std::vector<Argument>& args = invocation.arguments;

    if (invocation.method == "discover")
        return RunDiscovery(args.at(0).int32);
    if (invocation.method == "list") {
        for (const std::string& problem : file.problems)
            std::fprintf(stderr, "ptzdeck: %s, %s\n", path.c_str(), problem.c_str());
        for (size_t i = 0; i < file.cameras.size(); ++i)
            std::printf("%zu  %s%s%s\n", i + 1, file.cameras[i].address.c_str(),
                file.cameras[i].name.empty() ? "" : "  ", file.cameras[i].name.c_str());
        return kExitDone;
    }
    const std::string& which = args.at(0).string;
    if (invocation.method == "add") {
        for (const NetworkCameraEntry& entry : file.cameras)
            if (entry.address == which)
                return Failed(which + " is already listed in " + path, kExitUsage);
        if (text.empty())
            text = kCamerasFileHeader;
        if (text.back() != '\n')
            text += '\n';
        text += which + (args.size() > 1 ? " " + args[1].string : std::string()) + "\n";
    } else {
        // An address, or the camera's number in `camera list`.
        int number = 0;
        for (const char c : which)
            number = c >= '0' && c <= '9' && number < 1000 ? number * 10 + (c - '0') : -1;
        bool found = false;
        text = Without(text, file, [&](size_t index, const NetworkCameraEntry& entry) {
            const bool match = entry.address == which || static_cast<int>(index) + 1 == number;
            found = found || match;
            return match;
        });
        if (!found)
            return Failed(which + " is not listed in " + path, kExitUsage);
    }
    if (!WriteText(path, text))
        return Failed(path + ": " + std::strerror(errno), kExitRefused);
    return kExitDone;
}

}  // namespace ptzdeck::remote
