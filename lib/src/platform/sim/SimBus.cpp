// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/sim/SimBus.h"

#include <algorithm>

#include "platform/sim/SimBackend.h"

namespace lumetra::platform::sim {
namespace {

class MemoryLog final : public RequestLog {
public:
    void Append(const std::string& line) override { lines.push_back(line); }
    void RecordKsSet(const std::string& camera, const void* instance, uint32_t instanceLength, const void* data,
                     uint32_t dataLength) override {
        const auto* i = static_cast<const unsigned char*>(instance);
        const auto* d = static_cast<const unsigned char*>(data);
        ksSets.push_back({camera, {i, i + instanceLength}, {d, d + dataLength}});
    }
    std::vector<std::string> lines;
    std::vector<KsSetBytes> ksSets;
};

}  // namespace

struct SimBus::State final : SimDeviceSource {
    HResult OpenDeviceEnumerator() override { return enumeratorResult; }
    HResult Scan(std::vector<std::shared_ptr<SimCamera>>& devices) override {
        if (Failed(categoryResult)) return categoryResult;
        devices = cameras;
        return kOk;
    }

    std::vector<std::shared_ptr<SimCamera>> cameras;
    std::shared_ptr<MemoryLog> log = std::make_shared<MemoryLog>();
    HResult enumeratorResult = kOk;
    HResult categoryResult = kOk;
};

SimBus::SimBus() : state_(std::make_shared<State>()) {}
SimBus::~SimBus() = default;

std::shared_ptr<SimCamera> SimBus::Plug(const std::string& logName, SimCameraModel model) {
    auto camera = std::make_shared<SimCamera>(logName, std::move(model), state_->log);
    state_->cameras.push_back(camera);
    return camera;
}

bool SimBus::Unplug(const std::string& logName) {
    auto& cameras = state_->cameras;
    const auto it = std::find_if(cameras.begin(), cameras.end(),
                                 [&](const auto& c) { return c->LogName() == logName; });
    if (it == cameras.end()) return false;
    (*it)->Unplug();
    cameras.erase(it);
    return true;
}

std::vector<std::string> SimBus::Requests() const { return state_->log->lines; }
std::vector<KsSetBytes> SimBus::KsSets() const { return state_->log->ksSets; }

void SimBus::ClearRequests() {
    state_->log->lines.clear();
    state_->log->ksSets.clear();
}

void SimBus::SetDeviceEnumeratorResult(HResult hr) { state_->enumeratorResult = hr; }
void SimBus::SetCategoryResult(HResult hr) { state_->categoryResult = hr; }

std::unique_ptr<Backend> SimBus::CreateBackend() const { return CreateSimBackend(state_); }

}  // namespace lumetra::platform::sim
