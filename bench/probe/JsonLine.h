// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One JSON object on one line of stdout, flushed at once: the driver reads
// the probe's lines as they come.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class JsonLine {
public:
    JsonLine& add(const char* key, const char* text);
    JsonLine& add(const char* key, bool value);
    JsonLine& add(const char* key, int value) { return add(key, std::int64_t(value)); }
    JsonLine& add(const char* key, std::int64_t value);
    JsonLine& add(const char* key, const std::vector<std::int64_t>& values);
    void print() const;

private:
    void key(const char* name);
    std::string text = "{";
};
