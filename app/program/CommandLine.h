// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The program's command line. A plain launch starts the panel (or brings
// the running one to the front); a command word makes the program a client
// of the running panel. Every value is checked here, so the command line
// never sends the panel anything out of range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ptzdeck::remote {

// One argument of a call on the panel's interface.
struct Argument {
    enum class Type { Int32, Boolean, String, Double };
    Type type = Type::Int32;
    std::int32_t int32 = 0;
    bool boolean = false;
    std::string string;
    double real = 0;
};

struct Invocation {
    enum class Kind {
        Panel,    // run the panel; anything after the program name is Qt's
        Help,     // the usage on stdout
        Usage,    // a mistake, which `error` names: the usage on stderr
        Status,   // the panel's state, as `key: value` lines or as JSON
        Call,     // `method` with `arguments` on the panel's interface
        Cameras,  // cameras.conf: `method` add, remove or list, with `arguments`
    };
    Kind kind = Kind::Panel;
    std::string error;
    bool json = false;
    std::string method;
    std::vector<Argument> arguments;
    int timeoutMs = 0;  // how long the panel may take to answer the call
};

// `words` are the arguments after the program's name.
Invocation ParseCommandLine(const std::vector<std::string>& words);

// The usage text, ending in a newline.
extern const char kUsage[];

// Exit statuses of a command.
enum ExitStatus : int {
    kExitDone = 0,
    kExitNoPanel = 1,
    kExitUsage = 2,
    kExitNoCamera = 3,
    kExitRefused = 4,
};

}  // namespace ptzdeck::remote
