// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/sim/SimCamera.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <thread>

#include "platform/KsProperties.h"

namespace lumetra::platform::sim {

const char* SetName(PropertySet set) { return set == PropertySet::CameraControl ? "camera-control" : "proc-amp"; }

SimCamera::SimCamera(std::string logName, SimCameraModel model, std::shared_ptr<RequestLog> log)
    : logName_(std::move(logName)), model_(std::move(model)), log_(std::move(log)) {}

void SimCamera::AnswerLate() const {
    if (model_.answerDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(model_.answerDelayMs));
}

bool SimCamera::Plugged() {
    if (plugged_ && !StillThere()) plugged_ = false;
    return plugged_;
}

SimProperty* SimCamera::Find(PropertySet set, int64_t property) {
    if (property < 0 || property > UINT32_MAX) return nullptr;
    SimPropertyTable& table = model_.Table(set);
    const auto it = table.find(static_cast<uint32_t>(property));
    return it == table.end() ? nullptr : &it->second;
}

// A camera takes a set like uvcvideo does: the value is clamped into the
// range; asking for automatic mode changes the mode, not the value.
HResult SimCamera::Apply(PropertySet set, int64_t property, SimRequestKind kind, int32_t value, int32_t flags,
                         const int32_t* value2) {
    AnswerLate();
    SimProperty* p = Find(set, property);
    if (p == nullptr) return kNotFound;
    if (p->failing & kind) return p->failWith;
    if (flags == kFlagsAuto && !p->hasAuto) return kInvalidArg;
    p->flags = flags;
    if (flags == kFlagsAuto) return kOk;
    const auto within = [p](int32_t v) { return p->min <= p->max ? std::clamp(v, p->min, p->max) : v; };
    p->current = within(value);
    if (value2 != nullptr) p->current2 = within(*value2);
    return kOk;
}

HResult SimCamera::KsSet(PropertySet set, uint32_t id, const void* instance, uint32_t instanceLength, const void* data,
                         uint32_t dataLength) {
    if (!Plugged()) return kDeviceGone;
    if (instance == nullptr || data == nullptr || instanceLength != dataLength) return kInvalidArg;
    int value1Word = 0, flagsWord = 0, value2Word = 0;
    if (dataLength == SetRequest::kBytes) {
        value1Word = SetRequest::kValue1, flagsWord = SetRequest::kFlags, value2Word = SetRequest::kValue2;
    } else if (dataLength == NodeRequest::kBytes) {
        value1Word = NodeRequest::kValue1, flagsWord = NodeRequest::kFlags, value2Word = NodeRequest::kValue2;
    } else {
        return kInvalidArg;
    }
    auto word = [data](int index) {
        int32_t w;
        std::memcpy(&w, static_cast<const char*>(data) + 4 * index, sizeof w);
        return w;
    };
    const int32_t value1 = word(value1Word), flags = word(flagsWord), value2 = word(value2Word);

    char line[160];
    std::snprintf(line, sizeof line,
                  " ks-set %s %" PRIu32 " value1=%" PRId32 " value2=%" PRId32 " flags=0x%" PRIx32 " len=%" PRIu32,
                  SetName(set), id, value1, value2, static_cast<uint32_t>(flags), dataLength);
    log_->RecordKsSet(logName_, instance, instanceLength, data, dataLength);
    log_->Append(logName_ + line);
    return Apply(set, id, kRequestKsSet, value1, flags, dataLength == NodeRequest::kBytes ? &value2 : nullptr);
}

HResult SimCamera::Get(PropertySet set, int32_t property, int32_t* value, int32_t* flags) {
    if (!Plugged()) return kDeviceGone;
    if (value == nullptr || flags == nullptr) return kInvalidArg;
    log_->Append(logName_ + " get " + SetName(set) + " " + std::to_string(property));
    AnswerLate();
    const SimProperty* p = Find(set, property);
    if (p == nullptr) return kNotFound;
    if (p->failing & kRequestGet) return p->failWith;
    *value = p->current;
    *flags = p->flags;
    return kOk;
}

HResult SimCamera::GetPair(PropertySet set, int32_t property, int32_t* value1, int32_t* value2, int32_t* flags) {
    if (value2 == nullptr) return kInvalidArg;
    const HResult hr = Get(set, property, value1, flags);
    if (Failed(hr)) return hr;
    *value2 = Find(set, property)->current2;
    return hr;
}

HResult SimCamera::GetRange(PropertySet set, int32_t property, int32_t* min, int32_t* max, int32_t* step,
                            int32_t* defaultValue, int32_t* capsFlags) {
    if (!Plugged()) return kDeviceGone;
    if (!min || !max || !step || !defaultValue || !capsFlags) return kInvalidArg;
    log_->Append(logName_ + " get-range " + SetName(set) + " " + std::to_string(property));
    const SimProperty* p = Find(set, property);
    if (p == nullptr) return kNotFound;
    if (p->failing & kRequestGetRange) return p->failWith;
    *min = p->min;
    *max = p->max;
    *step = p->step;
    *defaultValue = p->defaultValue;
    *capsFlags = kFlagsAuto | kFlagsManual;
    return kOk;
}

HResult SimCamera::Set(PropertySet set, int32_t property, int32_t value, int32_t flags) {
    if (!Plugged()) return kDeviceGone;
    char line[120];
    std::snprintf(line, sizeof line, " set %s %" PRId32 " value=%" PRId32 " flags=0x%" PRIx32, SetName(set), property,
                  value, static_cast<uint32_t>(flags));
    log_->Append(logName_ + line);
    return Apply(set, property, kRequestSet, value, flags);
}

}  // namespace lumetra::platform::sim
