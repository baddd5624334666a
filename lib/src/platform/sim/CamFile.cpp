// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Line format: key=value. Keys:
//   name=<text>, path=<text>           (the text is everything after '=')
//   camera-control.<id>=min,max,step,default,current   or  =none
//   proc-amp.<id>=min,max,step,default,current         or  =none
//   delay=<milliseconds every request takes to answer>
//   fault.property-bag=missing
//   fault.bind=fail
//   fault.interface=<video-proc-amp|ks-control|ks-property-set|camera-control>,...
//   fault.camera-control.<id>=<get|get-range|set|ks-set|all>,...[,<refused|no-permission|no-answer>]
//   fault.proc-amp.<id>=...
//   ptz-controls=<pan-tilt-absolute|pan-tilt-relative|zoom-absolute|zoom-relative|
//                 focus-absolute|focus-relative|focus-auto>,...
//   serial=<text>, port=<text>
// Lines starting with '#' and lines without '=' are ignored; a key given
// twice takes its last value.
#include "platform/sim/CamFile.h"

#include <charconv>
#include <iterator>
#include <map>
#include <optional>
#include <utility>

namespace lumetra::platform::sim {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

template <typename Int>
bool ParseInt(std::string_view s, Int& out) {
    s = Trim(s);
    if (s.empty()) return false;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
    return error == std::errc() && end == s.data() + s.size();
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Calls `item` for each trimmed, non-empty piece of a comma-separated list.
template <typename Item>
void ForEachItem(std::string_view list, Item item) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view piece = Trim(list.substr(0, comma));
        if (!piece.empty()) item(piece);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

// "camera-control.<id>" / "proc-amp.<id>" after an optional prefix.
bool ParsePropertyKey(std::string_view key, PropertySet& set, uint32_t& id) {
    std::string_view rest;
    if (StartsWith(key, "camera-control.")) {
        set = PropertySet::CameraControl;
        rest = key.substr(15);
    } else if (StartsWith(key, "proc-amp.")) {
        set = PropertySet::VideoProcAmp;
        rest = key.substr(9);
    } else {
        return false;
    }
    return ParseInt(rest, id);
}

bool ParseProperty(std::string_view value, SimProperty& p) {
    int32_t fields[5];
    int count = 0;
    while (count < 5) {
        const std::size_t comma = value.find(',');
        if (!ParseInt(value.substr(0, comma), fields[count])) return false;
        ++count;
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
        if (count == 5) return false;  // more than five fields
    }
    if (count != 5 || fields[0] > fields[1]) return false;
    p.min = fields[0];
    p.max = fields[1];
    p.step = fields[2];
    p.defaultValue = fields[3];
    p.current = fields[4];
    p.current2 = fields[4];  // both halves of a pair start alike
    return true;
}

// The requests that fail, and why (a plain failure unless a cause is named).
struct Failing {
    uint8_t kinds = 0;
    HResult result = kFail;
};

Failing ParseFailing(std::string_view list) {
    Failing failing;
    ForEachItem(list, [&](std::string_view item) {
        if (item == "get") failing.kinds |= kRequestGet;
        else if (item == "get-range") failing.kinds |= kRequestGetRange;
        else if (item == "set") failing.kinds |= kRequestSet;
        else if (item == "ks-set") failing.kinds |= kRequestKsSet;
        else if (item == "all") failing.kinds |= kRequestAll;
        else if (item == "refused") failing.result = kBusy;
        else if (item == "no-permission") failing.result = kAccessDenied;
        else if (item == "no-answer") failing.result = kTimeout;
    });
    return failing;
}

// The motion controls a ptz-controls list can name, by the camera-control
// ids that stand for them.
struct PtzControl {
    std::string_view name;
    uint32_t ids[2];
    int count;
};
constexpr PtzControl kPtzControls[] = {
    {"pan-tilt-absolute", {0, 1}, 2}, {"pan-tilt-relative", {10, 11}, 2}, {"zoom-absolute", {3, 0}, 1},
    {"zoom-relative", {13, 0}, 1},    {"focus-absolute", {6, 0}, 1},      {"focus-relative", {16, 0}, 1},
};

// Keeps the motion properties the list names and drops the others; focus
// takes AUTO only with focus-auto.
void ApplyPtzControls(std::string_view list, SimCameraModel& model) {
    bool listed[std::size(kPtzControls)] = {};
    bool focusAuto = false;
    ForEachItem(list, [&](std::string_view item) {
        for (std::size_t i = 0; i < std::size(kPtzControls); ++i)
            if (item == kPtzControls[i].name) listed[i] = true;
        if (item == "focus-auto") focusAuto = true;
    });
    for (std::size_t i = 0; i < std::size(kPtzControls); ++i)
        if (!listed[i])
            for (int k = 0; k < kPtzControls[i].count; ++k) model.cameraControl.erase(kPtzControls[i].ids[k]);
    if (const auto focus = model.cameraControl.find(6); focus != model.cameraControl.end())
        focus->second.hasAuto = focusAuto;
    model.describesPtzControls = true;
}

void ParseMissingInterfaces(std::string_view list, SimCameraModel& model) {
    model.noVideoProcAmp = model.noKsControl = model.noKsPropertySet = model.noCameraControl = false;
    ForEachItem(list, [&](std::string_view item) {
        if (item == "video-proc-amp") model.noVideoProcAmp = true;
        else if (item == "ks-control") model.noKsControl = true;
        else if (item == "ks-property-set") model.noKsPropertySet = true;
        else if (item == "camera-control") model.noCameraControl = true;
    });
}

}  // namespace

SimCameraModel ParseCamFile(std::string_view text) {
    SimCameraModel model;
    // Faults apply after all lines, so their place in the file does not matter.
    std::map<std::pair<PropertySet, uint32_t>, Failing> failing;
    std::optional<std::string> ptzControls;

    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = line.substr(equals + 1);
        if (key.empty() || key.front() == '#') continue;

        PropertySet set;
        uint32_t id;
        if (key == "name") {
            model.friendlyName = std::string(value);
        } else if (key == "path") {
            model.devicePath = std::string(value);
        } else if (ParsePropertyKey(key, set, id)) {
            SimProperty p;
            if (Trim(value) == "none") model.Table(set).erase(id);
            else if (ParseProperty(value, p)) model.Table(set)[id] = p;
        } else if (StartsWith(key, "fault.") && ParsePropertyKey(key.substr(6), set, id)) {
            failing[{set, id}] = ParseFailing(value);
        } else if (key == "fault.property-bag") {
            model.noPropertyBag = Trim(value) == "missing";
        } else if (key == "fault.bind") {
            model.bindFails = Trim(value) == "fail";
        } else if (key == "fault.interface") {
            ParseMissingInterfaces(value, model);
        } else if (key == "ptz-controls") {
            ptzControls = std::string(value);
        } else if (key == "delay") {
            int32_t ms = 0;
            if (ParseInt(Trim(value), ms) && ms >= 0 && ms <= 60000) model.answerDelayMs = ms;
        } else if (key == "serial") {
            model.serial = std::string(value);
        } else if (key == "port") {
            model.port = std::string(value);
        }
    }
    // After all lines: the list decides which motion properties exist,
    // whatever lines gave their ranges.
    if (ptzControls) ApplyPtzControls(*ptzControls, model);
    for (const auto& [property, faults] : failing) {
        SimPropertyTable& table = model.Table(property.first);
        if (const auto it = table.find(property.second); it != table.end()) {
            it->second.failing = faults.kinds;
            it->second.failWith = faults.result;
        }
    }
    return model;
}

}  // namespace lumetra::platform::sim
