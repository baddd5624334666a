// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The simulated bus's .cam files: any bytes parse without harm, a camera
// described by them says the same thing when written out and read again, and
// it answers requests like a camera (sets land inside the range, every
// request is logged once).
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "platform/KsProperties.h"
#include "platform/sim/CamFile.h"
#include "platform/sim/SimCamera.h"

using namespace lumetra::platform;
using namespace lumetra::platform::sim;

namespace {

const char* KeyOf(PropertySet set) { return set == PropertySet::CameraControl ? "camera-control" : "proc-amp"; }

void WriteText(std::string& out, const char* key, const std::string& value) {
    out += key;
    out += '=';
    out += value;
    // A line loses one trailing carriage return when read.
    if (!value.empty() && value.back() == '\r') out += '\r';
    out += '\n';
}

void WriteTable(std::string& out, PropertySet set, const SimPropertyTable& table, const SimPropertyTable& defaults) {
    for (const auto& [id, p] : defaults)
        if (table.count(id) == 0) out += std::string(KeyOf(set)) + "." + std::to_string(id) + "=none\n";
    for (const auto& [id, p] : table) {
        out += std::string(KeyOf(set)) + "." + std::to_string(id) + "=" + std::to_string(p.min) + "," +
               std::to_string(p.max) + "," + std::to_string(p.step) + "," + std::to_string(p.defaultValue) + "," +
               std::to_string(p.current) + "\n";
        if (p.failing == 0) continue;
        std::string kinds;
        const std::pair<uint8_t, const char*> names[] = {
            {kRequestGet, "get"}, {kRequestGetRange, "get-range"}, {kRequestSet, "set"}, {kRequestKsSet, "ks-set"}};
        for (const auto& [bit, name] : names)
            if (p.failing & bit) kinds += std::string(kinds.empty() ? "" : ",") + name;
        out += "fault." + std::string(KeyOf(set)) + "." + std::to_string(id) + "=" + kinds + "\n";
    }
}

// The file that describes `model`, one key each.
std::string Write(const SimCameraModel& model) {
    std::string out;
    if (model.friendlyName) WriteText(out, "name", *model.friendlyName);
    if (model.devicePath) WriteText(out, "path", *model.devicePath);
    WriteTable(out, PropertySet::CameraControl, model.cameraControl, SimCameraModel::DefaultCameraControl());
    WriteTable(out, PropertySet::VideoProcAmp, model.procAmp, SimCameraModel::DefaultProcAmp());
    if (model.noPropertyBag) out += "fault.property-bag=missing\n";
    if (model.bindFails) out += "fault.bind=fail\n";
    std::string missing;
    if (model.noVideoProcAmp) missing += ",video-proc-amp";
    if (model.noKsControl) missing += ",ks-control";
    if (model.noKsPropertySet) missing += ",ks-property-set";
    if (model.noCameraControl) missing += ",camera-control";
    if (!missing.empty()) out += "fault.interface=" + missing.substr(1) + "\n";
    if (model.serial) WriteText(out, "serial", *model.serial);
    if (model.port) WriteText(out, "port", *model.port);
    if (model.describesPtzControls) {
        // The list only drops what it does not name: naming every control
        // keeps the table as the lines above made it.
        const auto focus = model.cameraControl.find(6);
        const bool focusAuto = focus != model.cameraControl.end() && focus->second.hasAuto;
        out += std::string(
                   "ptz-controls=pan-tilt-absolute,pan-tilt-relative,zoom-absolute,zoom-relative,"
                   "focus-absolute,focus-relative") +
               (focusAuto ? ",focus-auto" : "") + "\n";
    }
    return out;
}

bool SameProperty(const SimProperty& a, const SimProperty& b) {
    return a.min == b.min && a.max == b.max && a.step == b.step && a.defaultValue == b.defaultValue &&
           a.current == b.current && a.flags == b.flags && a.failing == b.failing && a.hasAuto == b.hasAuto;
}

bool SameTable(const SimPropertyTable& a, const SimPropertyTable& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->first != j->first || !SameProperty(i->second, j->second)) return false;
    return true;
}

bool SameModel(const SimCameraModel& a, const SimCameraModel& b) {
    return a.friendlyName == b.friendlyName && a.devicePath == b.devicePath &&
           SameTable(a.cameraControl, b.cameraControl) && SameTable(a.procAmp, b.procAmp) &&
           a.noPropertyBag == b.noPropertyBag && a.bindFails == b.bindFails && a.noVideoProcAmp == b.noVideoProcAmp &&
           a.noKsControl == b.noKsControl && a.noKsPropertySet == b.noKsPropertySet &&
           a.noCameraControl == b.noCameraControl && a.describesPtzControls == b.describesPtzControls &&
           a.serial == b.serial && a.port == b.port;
}

class CountingLog final : public RequestLog {
public:
    void Append(const std::string& line) override {
        FUZZ_CHECK(line.rfind("cam ", 0) == 0);
        FUZZ_CHECK(line.find('\n') == std::string::npos);
        ++lines;
    }
    int lines = 0;
};

// A request of each kind on each property, with values at and past the
// range's ends: whatever the file said, a set leaves the value inside the
// range and every request is logged exactly once.
void Drive(const SimCameraModel& model) {
    auto log = std::make_shared<CountingLog>();
    SimCamera camera("cam", model, log);
    int expectedLines = 0;
    int checked = 0;
    for (PropertySet set : {PropertySet::CameraControl, PropertySet::VideoProcAmp}) {
        for (const auto& [id, declared] : model.Table(set)) {
            if (++checked > 48) return;  // enough for one input
            const int64_t property = id;
            int32_t min = 0, max = 0, step = 0, def = 0, caps = 0;
            const HResult range = camera.GetRange(set, static_cast<int32_t>(property), &min, &max, &step, &def, &caps);
            ++expectedLines;
            if (property > INT32_MAX) {
                // Not reachable through an int32 id; the request only has to be harmless.
                continue;
            }
            FUZZ_CHECK(!Failed(range) == !(declared.failing & kRequestGetRange));
            for (int32_t value :
                 {INT32_MIN, declared.min - (declared.min > INT32_MIN ? 1 : 0), declared.max, INT32_MAX}) {
                int32_t request[SetRequest::kBytes / 4] = {};
                request[SetRequest::kValue1] = value;
                request[SetRequest::kFlags] = kFlagsManual;
                const HResult hr = camera.KsSet(set, id, request, sizeof request, request, sizeof request);
                ++expectedLines;
                int32_t now = 0, flags = 0;
                const HResult got = camera.Get(set, static_cast<int32_t>(id), &now, &flags);
                ++expectedLines;
                if (!Failed(hr) && !Failed(got)) {
                    FUZZ_CHECK(now >= declared.min && now <= declared.max);
                }
                const HResult plain = camera.Set(set, static_cast<int32_t>(id), value, kFlagsAuto);
                ++expectedLines;
                (void)plain;
            }
        }
    }
    // A malformed request is refused and not logged.
    FUZZ_CHECK(camera.KsSet(PropertySet::CameraControl, 2, nullptr, 0, nullptr, 0) == kInvalidArg);
    FUZZ_CHECK(log->lines == expectedLines);
    camera.Unplug();
    int32_t ignored = 0;
    FUZZ_CHECK(camera.Get(PropertySet::VideoProcAmp, 0, &ignored, &ignored) == kDeviceGone);
    FUZZ_CHECK(log->lines == expectedLines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SimCameraModel model = ParseCamFile(text);
    for (PropertySet set : {PropertySet::CameraControl, PropertySet::VideoProcAmp})
        for (const auto& [id, p] : model.Table(set)) {
            FUZZ_CHECK(p.min <= p.max);
            FUZZ_CHECK((p.failing & ~kRequestAll) == 0);
        }
    const std::string written = Write(model);
    FUZZ_CHECK(SameModel(ParseCamFile(written), model));
    Drive(model);
    return 0;
}
