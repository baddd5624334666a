// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "JsonLine.h"

#include <cstdio>

void JsonLine::key(const char* name)
{
    if (text.size() > 1)
        text += ", ";
    text += '"';
    text += name;
    text += "\": ";
}

JsonLine& JsonLine::add(const char* name, const char* value)
{
    key(name);
    text += '"';
    for (const char* p = value; *p; ++p) {
        const unsigned char ch = static_cast<unsigned char>(*p);
        if (ch == '"' || ch == '\\') {
            text += '\\';
            text += char(ch);
        } else if (ch < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", ch);
            text += escaped;
        } else {
            text += char(ch);
        }
    }
    text += '"';
    return *this;
}

JsonLine& JsonLine::add(const char* name, bool value)
{
    key(name);
    text += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::add(const char* name, std::int64_t value)
{
    key(name);
    text += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::add(const char* name, const std::vector<std::int64_t>& values)
{
    key(name);
    text += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i)
            text += ", ";
        text += std::to_string(values[i]);
    }
    text += ']';
    return *this;
}

void JsonLine::print() const
{
    std::fputs((text + "}\n").c_str(), stdout);
    std::fflush(stdout);
}
