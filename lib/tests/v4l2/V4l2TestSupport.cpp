// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "V4l2TestSupport.h"

#include <cstring>
#include <iomanip>

#include "platform/Utf16.h"

namespace fake {

using namespace lumetra::platform;

void PrintTo(const Wire& wire, std::ostream* out) {
    *out << std::hex << std::setfill('0') << "{type 0x" << std::setw(2) << int(wire.requestType) << " unit " << std::dec
         << int(wire.unit) << " selector 0x" << std::hex << std::setw(2) << int(wire.selector) << " [";
    for (size_t i = 0; i < wire.data.size(); ++i) *out << (i ? " " : "") << std::setw(2) << int(wire.data[i]);
    *out << "]}" << std::dec;
}

std::vector<Wire> SetsReceived(const FakeUvcCamera& camera) {
    std::vector<Wire> wires;
    for (const ReceivedRequest& r : camera.Sets()) wires.push_back({r.requestType, r.Unit(), r.Selector(), r.data});
    return wires;
}

HResult BoundCamera::Send(PropertySet set, uint32_t id, int32_t value1, int32_t flags, int32_t value2) {
    const bool node = set == PropertySet::VideoProcAmp && id == ProcAmpId::WhiteBalanceComponent;
    int32_t words[NodeRequest::kBytes / 4] = {};
    const uint32_t length = node ? NodeRequest::kBytes : SetRequest::kBytes;
    words[node ? NodeRequest::kValue1 : SetRequest::kValue1] = value1;
    words[node ? NodeRequest::kFlags : SetRequest::kFlags] = flags;
    if (node) words[NodeRequest::kValue2] = value2;
    return properties->Set(set, id, words, length, words, length);
}

V4l2Test::V4l2Test() : backend(machine->Backend(machine)) {}

std::shared_ptr<FakeUvcCamera> V4l2Test::PtzCamera(uint16_t vendorId, uint16_t productId) {
    auto camera = std::make_shared<FakeUvcCamera>(vendorId, productId);
    AddTypicalPtzControls(*camera);
    return camera;
}

namespace {
std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}
}  // namespace

HResult V4l2Test::List(std::vector<Listed>& out) {
    out.clear();
    std::unique_ptr<DeviceEnumerator> devices;
    HResult hr = backend->CreateDeviceEnumerator(devices);
    if (Failed(hr)) return hr;
    std::unique_ptr<MonikerEnumerator> monikers;
    hr = devices->CreateVideoInputEnumerator(monikers);
    if (hr != kOk) return hr;
    monikers->Reset();
    std::unique_ptr<Moniker> moniker;
    while (monikers->Next(moniker) == kOk) {
        std::unique_ptr<PropertyBag> bag;
        if (Failed(moniker->BindToStorage(bag))) {
            out.push_back({"<no property bag>", ""});
            continue;
        }
        std::u16string name, path;
        bag->Read(u"FriendlyName", name);
        bag->Read(u"DevicePath", path);
        out.push_back({Narrow(name), Narrow(path)});
    }
    return kOk;
}

BoundCamera V4l2Test::Bind(unsigned node) {
    BoundCamera bound;
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    if (backend->CreateDeviceEnumerator(devices) != kOk || devices->CreateVideoInputEnumerator(monikers) != kOk)
        return bound;
    const std::string suffix = "#video" + std::to_string(node);
    std::unique_ptr<Moniker> moniker;
    while (monikers->Next(moniker) == kOk) {
        std::unique_ptr<PropertyBag> bag;
        std::u16string path;
        if (Failed(moniker->BindToStorage(bag)) || Failed(bag->Read(u"DevicePath", path))) continue;
        const std::string narrow = Narrow(path);
        if (narrow.size() < suffix.size() || narrow.compare(narrow.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        if (Failed(moniker->BindToObject(bound.filter)) || !bound.filter) return bound;
        bound.filter->QueryKsPropertySet(bound.properties);
        bound.filter->QueryCameraControl(bound.cameraControl);
        bound.filter->QueryVideoProcAmp(bound.procAmp);
        bound.filter->QueryKsControl(bound.ksControl);
        return bound;
    }
    return bound;
}

}  // namespace fake
