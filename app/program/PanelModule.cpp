// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "program/PanelModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "program/PanelClient.h"

namespace ptzdeck {
namespace {

std::string ProgramDirectory()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.rfind('/'));
}

int ShowRunningPanel() { return remote::ShowRunningPanel() ? 1 : 0; }

}  // namespace

int RunPanel(int argc, char* argv[])
{
    // Found relative to the program, so that an installed tree works
    // wherever it is moved, and a build runs its own module.
    const std::string directory = ProgramDirectory();
    const std::string places[] = {
        directory + "/" PTZDECK_PANEL_MODULE, directory + "/" PTZDECK_PANEL_MODULE_DIR "/" PTZDECK_PANEL_MODULE};
    for (const std::string& path : places) {
        if (access(path.c_str(), F_OK) != 0)
            continue;
        void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        const auto entry =
            module ? reinterpret_cast<decltype(&ptzdeck_panel_main)>(dlsym(module, "ptzdeck_panel_main")) : nullptr;
        if (!entry) {
            std::fprintf(stderr, "ptzdeck: cannot load the panel: %s\n", dlerror());
            return 1;
        }
        return entry(argc, argv, ShowRunningPanel);
    }
    std::fprintf(stderr, "ptzdeck: the panel (%s) is not installed beside the program\n", places[1].c_str());
    return 1;
}

}  // namespace ptzdeck
