// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// What each operation sends to the camera, and what it makes of the answer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <set>

#include "GenericCamera.h"
#include "SimFixture.h"
#include "platform/KsProperties.h"
#include "platform/sim/CamFile.h"

namespace lumetra::test {
namespace {

using platform::kFlagsAuto;
using platform::kFlagsManual;
using platform::kFlagsRelative;
using platform::PropertySet;
using platform::sim::kRequestGet;
using platform::sim::kRequestGetRange;
using platform::sim::kRequestKsSet;
using platform::sim::kRequestSet;
namespace cc = platform::CameraControlId;
namespace pa = platform::ProcAmpId;

constexpr PropertySet CC = PropertySet::CameraControl;
constexpr PropertySet PA = PropertySet::VideoProcAmp;

struct SetCase {
    const char* name;
    std::function<bool(BaseDevice&)> call;
    PropertySet set;
    uint32_t id;
    int32_t value1;
    int32_t value2;
    int32_t flags;
    uint32_t length;
};

std::string SetLine(const SetCase& c) {
    char line[200];
    std::snprintf(line, sizeof line, "cam ks-set %s %u value1=%d value2=%d flags=0x%x len=%u",
                  c.set == CC ? "camera-control" : "proc-amp", c.id, c.value1, c.value2, static_cast<unsigned>(c.flags),
                  c.length);
    return line;
}

int32_t Word(const std::vector<unsigned char>& bytes, std::size_t index) {
    int32_t w;
    std::memcpy(&w, bytes.data() + 4 * index, 4);
    return w;
}

class Requests : public SimBusTest {
protected:
    void SetUp() override {
        SimBusTest::SetUp();
        camera = bus.Plug("cam", SupportedCamera("PTZ Cam"));
        OpenCamera();
    }
    std::shared_ptr<SimCamera> camera;
};

TEST_F(Requests, EachSetSendsOneRequestWithTheStatedWords) {
    // A table, laid out by hand.
    // clang-format off
    const SetCase cases[] = {
        {"TiltUp", [](BaseDevice& d) { return d.TiltUp(5); }, CC, cc::TiltRelative, 5, 0, kFlagsRelative, 40},
        {"TiltUpStop", [](BaseDevice& d) { return d.TiltUpStop(); }, CC, cc::TiltRelative, 0, 0, kFlagsRelative, 40},
        {"TiltDown", [](BaseDevice& d) { return d.TiltDown(5); }, CC, cc::TiltRelative, -5, 0, kFlagsRelative, 40},
        {"TiltDownStop", [](BaseDevice& d) { return d.TiltDownStop(); }, CC, cc::TiltRelative, 0, 0, kFlagsRelative, 40},
        {"TiltUp(0)", [](BaseDevice& d) { return d.TiltUp(0); }, CC, cc::TiltRelative, 0, 0, kFlagsRelative, 40},
        {"PanLeft", [](BaseDevice& d) { return d.PanLeft(7); }, CC, cc::PanRelative, -7, 0, kFlagsRelative, 40},
        {"PanLeftStop", [](BaseDevice& d) { return d.PanLeftStop(); }, CC, cc::PanRelative, 0, 0, kFlagsRelative, 40},
        {"PanRight", [](BaseDevice& d) { return d.PanRight(7); }, CC, cc::PanRelative, 7, 0, kFlagsRelative, 40},
        {"PanRightStop", [](BaseDevice& d) { return d.PanRightStop(); }, CC, cc::PanRelative, 0, 0, kFlagsRelative, 40},
        {"FocusNear", [](BaseDevice& d) { return d.FocusNear(9); }, CC, cc::FocusRelative, 1, 0, kFlagsRelative, 40},
        {"FocusFar", [](BaseDevice& d) { return d.FocusFar(9); }, CC, cc::FocusRelative, -1, 0, kFlagsRelative, 40},
        {"FocusStop", [](BaseDevice& d) { return d.FocusStop(); }, CC, cc::FocusRelative, 0, 0, kFlagsRelative, 40},
        {"ZoomIn", [](BaseDevice& d) { return d.ZoomIn(9); }, CC, cc::ZoomRelative, 1, 0, kFlagsRelative, 40},
        {"ZoomOut", [](BaseDevice& d) { return d.ZoomOut(9); }, CC, cc::ZoomRelative, -1, 0, kFlagsRelative, 40},
        {"ZoomStop", [](BaseDevice& d) { return d.ZoomStop(); }, CC, cc::ZoomRelative, 0, 0, kFlagsRelative, 40},
        {"ZoomReset", [](BaseDevice& d) { return d.ZoomReset(); }, CC, cc::Zoom, 0, 0, 0, 40},
        {"PanReset", [](BaseDevice& d) { return d.PanReset(); }, CC, cc::Pan, 0, 0, 0, 40},
        {"TiltReset", [](BaseDevice& d) { return d.TiltReset(); }, CC, cc::Tilt, 0, 0, 0, 40},
        {"MirrorOn", [](BaseDevice& d) { return d.MirrorOn(); }, CC, cc::Roll, 0, 0, kFlagsRelative, 40},
        {"MirrorOff", [](BaseDevice& d) { return d.MirrorOff(); }, CC, cc::Roll, 1, 0, kFlagsRelative, 40},
        {"FlipOn", [](BaseDevice& d) { return d.FlipOn(); }, CC, cc::Roll, 2, 0, kFlagsRelative, 40},
        {"FlipOff", [](BaseDevice& d) { return d.FlipOff(); }, CC, cc::Roll, 3, 0, kFlagsRelative, 40},
        {"MuteOff", [](BaseDevice& d) { return d.MuteOff(); }, CC, cc::Roll, 4, 0, kFlagsRelative, 40},
        {"MuteOn", [](BaseDevice& d) { return d.MuteOn(); }, CC, cc::Roll, 5, 0, kFlagsRelative, 40},
        {"FocusAuto", [](BaseDevice& d) { return d.FocusAuto(); }, CC, cc::Roll, 6, 0, kFlagsRelative, 40},
        {"FocusManual", [](BaseDevice& d) { return d.FocusManual(); }, CC, cc::Roll, 7, 0, kFlagsRelative, 40},
        {"Home", [](BaseDevice& d) { return d.Home(); }, CC, cc::Roll, 8, 0, kFlagsRelative, 40},
        {"Command10", [](BaseDevice& d) { return d.Command10(); }, CC, cc::Roll, 10, 0, kFlagsRelative, 40},
        {"Command11", [](BaseDevice& d) { return d.Command11(); }, CC, cc::Roll, 11, 0, kFlagsRelative, 40},
        {"FramingAuto", [](BaseDevice& d) { return d.FramingAuto(); }, CC, cc::Roll, 16, 0, kFlagsRelative, 40},
        {"FramingManual", [](BaseDevice& d) { return d.FramingManual(); }, CC, cc::Roll, 17, 0, kFlagsRelative, 40},
        {"Command18", [](BaseDevice& d) { return d.Command18(); }, CC, cc::Roll, 18, 0, kFlagsRelative, 40},
        {"Command19", [](BaseDevice& d) { return d.Command19(); }, CC, cc::Roll, 19, 0, kFlagsRelative, 40},
        {"PresetSet(3)", [](BaseDevice& d) { return d.PresetSet(3); }, CC, cc::Roll, 23, 0, 0, 40},
        {"PresetClear(3)", [](BaseDevice& d) { return d.PresetClear(3); }, CC, cc::Roll, 63, 0, 0, 40},
        {"PresetCall(3)", [](BaseDevice& d) { return d.PresetCall(3); }, CC, cc::Roll, 103, 0, 0, 40},
        {"SetExposure", [](BaseDevice& d) { return d.SetExposure(-5); }, CC, cc::Exposure, -5, 0, kFlagsManual, 40},
        {"SetIris", [](BaseDevice& d) { return d.SetIris(4); }, CC, cc::Iris, 4, 0, kFlagsRelative, 40},
        {"BacklightOn", [](BaseDevice& d) { return d.BacklightOn(); }, PA, pa::BacklightCompensation, 1, 0, kFlagsManual, 40},
        {"BacklightOff", [](BaseDevice& d) { return d.BacklightOff(); }, PA, pa::BacklightCompensation, 0, 0, kFlagsManual, 40},
        {"SetBacklight", [](BaseDevice& d) { return d.SetBacklight(2); }, PA, pa::BacklightCompensation, 2, 0, kFlagsManual, 40},
        {"SetBrightness", [](BaseDevice& d) { return d.SetBrightness(-10); }, PA, pa::Brightness, -10, 0, kFlagsManual, 40},
        {"SetContrast", [](BaseDevice& d) { return d.SetContrast(11); }, PA, pa::Contrast, 11, 0, kFlagsManual, 40},
        {"SetSaturation", [](BaseDevice& d) { return d.SetSaturation(12); }, PA, pa::Saturation, 12, 0, kFlagsManual, 40},
        {"SetSharpness", [](BaseDevice& d) { return d.SetSharpness(4); }, PA, pa::Sharpness, 4, 0, kFlagsManual, 40},
        {"SetGamma", [](BaseDevice& d) { return d.SetGamma(150); }, PA, pa::Gamma, 150, 0, kFlagsManual, 40},
        {"SetGain", [](BaseDevice& d) { return d.SetGain(20); }, PA, pa::Gain, 20, 0, kFlagsManual, 40},
        {"SetPowerLineFrequency", [](BaseDevice& d) { return d.SetPowerLineFrequency(2); }, PA, pa::PowerLineFrequency, 2, 0, kFlagsManual, 40},
        {"SetWhiteBalance(5000)", [](BaseDevice& d) { return d.SetWhiteBalance(5000); }, PA, pa::WhiteBalance, 5000, 0, kFlagsManual, 40},
        {"SetWhiteBalance(0)", [](BaseDevice& d) { return d.SetWhiteBalance(0); }, PA, pa::WhiteBalance, 0, 0, kFlagsAuto, 40},
        {"SetWhiteBalanceMode(1)", [](BaseDevice& d) { return d.SetWhiteBalanceMode(1); }, PA, pa::WhiteBalance, 0, 0, kFlagsManual, 40},
        {"SetWhiteBalanceMode(0)", [](BaseDevice& d) { return d.SetWhiteBalanceMode(0); }, PA, pa::WhiteBalance, 0, 0, kFlagsAuto, 40},
        {"SetWhiteBalanceBlue", [](BaseDevice& d) { return d.SetWhiteBalanceBlue(3000); }, PA, pa::WhiteBalanceComponent, 3000, 0, kFlagsManual, 48},
        // Blue as last sent, the row before.
        {"SetWhiteBalanceRed", [](BaseDevice& d) { return d.SetWhiteBalanceRed(4000); }, PA, pa::WhiteBalanceComponent, 3000, 4000, kFlagsManual, 48},
    };
    // clang-format on
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.name);
        bus.ClearRequests();
        EXPECT_TRUE(c.call(*device));
        EXPECT_EQ(bus.Requests(), std::vector<std::string>{SetLine(c)});

        // The raw buffer: the same bytes as instance and property data, only
        // the named words filled.
        const auto sets = bus.KsSets();
        ASSERT_EQ(sets.size(), 1u);
        ASSERT_EQ(sets[0].instance.size(), c.length);
        EXPECT_EQ(sets[0].instance, sets[0].data);
        const bool node = c.length == 48;
        for (std::size_t w = 0; w < c.length / 4; ++w) {
            int32_t expected = 0;
            if (w == (node ? 8u : 6u)) expected = c.value1;
            if (w == (node ? 9u : 7u)) expected = c.flags;
            if (node && w == 11u) expected = c.value2;
            EXPECT_EQ(Word(sets[0].data, w), expected) << "word " << w;
        }
    }
}

TEST_F(Requests, LogLinesHaveTheDocumentedShape) {
    device->TiltDown(5);
    device->SetWhiteBalanceRed(4000);
    device->PresetCall(-1);
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{
                                  "cam ks-set camera-control 11 value1=-5 value2=0 flags=0x10 len=40",
                                  "cam ks-set proc-amp 12 value1=0 value2=4000 flags=0x2 len=48",
                                  "cam ks-set camera-control 2 value1=355 value2=0 flags=0x0 len=40",
                              }));
}

TEST_F(Requests, PresetNumbersKeepTheirLowEightBitsAndTheRangesOverlap) {
    auto lastLine = [this](auto call) {
        bus.ClearRequests();
        EXPECT_TRUE(call());
        const auto lines = bus.Requests();
        return lines.empty() ? std::string() : lines.back();
    };
    EXPECT_EQ(lastLine([&] { return device->PresetCall(256); }), lastLine([&] { return device->PresetCall(0); }));
    EXPECT_EQ(lastLine([&] { return device->PresetSet(40); }), lastLine([&] { return device->PresetClear(0); }));
    EXPECT_EQ(lastLine([&] { return device->PresetClear(40); }), lastLine([&] { return device->PresetCall(0); }));
    EXPECT_EQ(lastLine([&] { return device->PresetSet(0x1FF); }),
              "cam ks-set camera-control 2 value1=275 value2=0 flags=0x0 len=40");
    EXPECT_EQ(lastLine([&] { return device->PresetCall(-256); }),
              "cam ks-set camera-control 2 value1=100 value2=0 flags=0x0 len=40");
}

// The other half is its record's: the camera's once LoadPropertyInfo has
// read it, then what was last sent, or what the caller put there. A half
// the camera refused is not kept.
TEST_F(Requests, WhiteBalanceComponentsTakeTheOtherFromItsRecord) {
    auto& pair = camera->Model().procAmp[pa::WhiteBalanceComponent];
    pair.current = 1024;
    pair.current2 = 2000;
    ASSERT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ((std::array{device->whiteBalanceBlue.current, device->whiteBalanceRed.current}),
              (std::array{1024, 2000}));
    bus.ClearRequests();
    EXPECT_TRUE(device->SetWhiteBalanceRed(1500));
    EXPECT_TRUE(device->SetWhiteBalanceBlue(3000));
    device->whiteBalanceBlue.current = 3300;  // the caller's own
    EXPECT_TRUE(device->SetWhiteBalanceRed(4000));
    pair.failing = kRequestKsSet;
    EXPECT_FALSE(device->SetWhiteBalanceBlue(5000));
    pair.failing = 0;
    EXPECT_TRUE(device->SetWhiteBalanceRed(4100));
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{
                                  "cam ks-set proc-amp 12 value1=1024 value2=1500 flags=0x2 len=48",
                                  "cam ks-set proc-amp 12 value1=3000 value2=1500 flags=0x2 len=48",
                                  "cam ks-set proc-amp 12 value1=3300 value2=4000 flags=0x2 len=48",
                                  "cam ks-set proc-amp 12 value1=5000 value2=4000 flags=0x2 len=48",
                                  "cam ks-set proc-amp 12 value1=3300 value2=4100 flags=0x2 len=48",
                              }));
    EXPECT_EQ((std::array{device->whiteBalanceBlue.current, device->whiteBalanceRed.current}),
              (std::array{3300, 4100}));
}

TEST_F(Requests, ASetFailsWhenTheCameraRefusesIt) {
    camera->Model().cameraControl[cc::PanRelative].failing = kRequestKsSet;
    EXPECT_FALSE(device->PanLeft(3));
    camera->Model().cameraControl.erase(cc::Roll);
    EXPECT_FALSE(device->Home());
    EXPECT_TRUE(device->TiltUp(3));
    EXPECT_EQ(bus.Requests().size(), 3u);  // each was still sent
}

TEST_F(Requests, ReservedOperationsSendNothing) {
    for (const Operation& op : EveryCameraOperation()) {
        if (std::string(op.name).rfind("Reserved", 0) != 0) continue;
        SCOPED_TRACE(op.name);
        EXPECT_FALSE(op.call(*device));
    }
    EXPECT_TRUE(bus.Requests().empty());
}

struct GetCase {
    const char* name;
    bool (BaseDevice::*get)(int*);
    PropertySet set;
    uint32_t id;
    PropertyInfo BaseDevice::*record;
};

// A table, laid out by hand.
// clang-format off
const GetCase kGetters[] = {
    {"GetZoom", &BaseDevice::GetZoom, CC, cc::Zoom, &BaseDevice::zoom},
    {"GetFocus", &BaseDevice::GetFocus, CC, cc::Focus, &BaseDevice::focus},
    {"GetExposure", &BaseDevice::GetExposure, CC, cc::Exposure, &BaseDevice::exposure},
    {"GetIris", &BaseDevice::GetIris, CC, cc::Iris, &BaseDevice::iris},
    {"GetBrightness", &BaseDevice::GetBrightness, PA, pa::Brightness, &BaseDevice::brightness},
    {"GetContrast", &BaseDevice::GetContrast, PA, pa::Contrast, &BaseDevice::contrast},
    {"GetSaturation", &BaseDevice::GetSaturation, PA, pa::Saturation, &BaseDevice::saturation},
    {"GetSharpness", &BaseDevice::GetSharpness, PA, pa::Sharpness, &BaseDevice::sharpness},
    {"GetGamma", &BaseDevice::GetGamma, PA, pa::Gamma, &BaseDevice::gamma},
    {"GetWhiteBalance", &BaseDevice::GetWhiteBalance, PA, pa::WhiteBalance, &BaseDevice::whiteBalance},
    {"GetBacklight", &BaseDevice::GetBacklight, PA, pa::BacklightCompensation, &BaseDevice::backlightCompensation},
    {"GetGain", &BaseDevice::GetGain, PA, pa::Gain, &BaseDevice::gain},
    {"GetPowerLineFrequency", &BaseDevice::GetPowerLineFrequency, PA, pa::PowerLineFrequency, &BaseDevice::powerLineFrequency},
};
// clang-format on

TEST_F(Requests, EachGetterReadsItsPropertyIntoItsRecord) {
    int32_t distinct = 7001;
    for (const GetCase& c : kGetters) {
        SCOPED_TRACE(c.name);
        auto& property = camera->Model().Table(c.set)[c.id];
        property.min = -100000;
        property.max = 100000;
        property.current = ++distinct;
        bus.ClearRequests();
        int out = -1;
        EXPECT_TRUE((device->*c.get)(&out));
        EXPECT_EQ(out, distinct);
        EXPECT_EQ((device->*c.record).current, distinct);
        EXPECT_EQ(bus.Requests(), std::vector<std::string>{"cam get " + std::string(platform::sim::SetName(c.set)) +
                                                           " " + std::to_string(c.id)});
    }
}

TEST_F(Requests, AFailedGetLeavesTheCallersVariable) {
    for (const GetCase& c : kGetters) {
        SCOPED_TRACE(c.name);
        camera->Model().Table(c.set)[c.id].failing = kRequestGet;
        int out = -12345;
        EXPECT_FALSE((device->*c.get)(&out));
        EXPECT_EQ(out, -12345);
    }
}

TEST_F(Requests, AGetterWithoutAnOutArgumentStillFillsTheRecord) {
    camera->Model().cameraControl[cc::Zoom].current = 321;
    EXPECT_TRUE(device->GetZoom(nullptr));
    EXPECT_EQ(device->zoom.current, 321);
}

class LoadPropertyInfo : public Requests {};

TEST_F(LoadPropertyInfo, QueriesElevenRangesThenElevenValuesThenTheComponentPairInOrder) {
    EXPECT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{
                                  "cam get-range proc-amp 7",
                                  "cam get-range camera-control 4",
                                  "cam get-range camera-control 5",
                                  "cam get-range proc-amp 9",
                                  "cam get-range proc-amp 0",
                                  "cam get-range proc-amp 1",
                                  "cam get-range proc-amp 5",
                                  "cam get-range proc-amp 8",
                                  "cam get-range proc-amp 3",
                                  "cam get-range proc-amp 4",
                                  "cam get-range proc-amp 13",
                                  "cam get proc-amp 7",
                                  "cam get camera-control 4",
                                  "cam get camera-control 5",
                                  "cam get proc-amp 9",
                                  "cam get proc-amp 0",
                                  "cam get proc-amp 3",
                                  "cam get proc-amp 4",
                                  "cam get proc-amp 13",
                                  "cam get proc-amp 1",
                                  "cam get proc-amp 5",
                                  "cam get proc-amp 8",
                                  "cam get proc-amp 12",
                              }));
}

TEST_F(LoadPropertyInfo, FillsRecordsAndMarksWhatCouldBeRead) {
    auto& model = camera->Model();
    model.procAmp[pa::Gamma] = {72, 500, 2, 110, 130};
    model.procAmp[pa::Gain].failing = kRequestGet;            // range but no value
    model.procAmp[pa::Sharpness].failing = kRequestGetRange;  // value but no range
    model.cameraControl.erase(cc::Iris);                      // no iris at all
    model.procAmp[pa::WhiteBalanceComponent].current = 1024;
    model.procAmp[pa::WhiteBalanceComponent].current2 = 2000;
    device->sharpness.min = -77;
    for (PropertyInfo* r : {&device->reserved4, &device->reserved7, &device->reserved11, &device->reserved13})
        r->supported = 1;
    device->reserved16 = {1, 2, 3, 4, 5, 6};
    device->zoom = {9, 9, 9, 9, 9, 9};

    EXPECT_TRUE(device->LoadPropertyInfo());

    const PropertyInfo g = device->gamma;
    EXPECT_EQ((std::array{g.min, g.max, g.step, g.defaultValue, g.current, g.supported}),
              (std::array{72, 500, 2, 110, 130, 1}));
    EXPECT_EQ(device->gain.supported, 0);
    EXPECT_EQ(device->gain.max, 100);
    EXPECT_EQ(device->sharpness.min, -77);  // the failed range query wrote nothing
    EXPECT_EQ(device->sharpness.supported, 1);
    EXPECT_EQ(device->iris.supported, 0);
    EXPECT_EQ(device->exposure.supported, 1);
    EXPECT_EQ(device->whiteBalance.defaultValue, 4600);
    EXPECT_EQ((std::array{device->whiteBalanceBlue.current, device->whiteBalanceBlue.supported,
                          device->whiteBalanceRed.current, device->whiteBalanceRed.supported}),
              (std::array{1024, 1, 2000, 1}));
    for (const PropertyInfo* r : {&device->reserved4, &device->reserved7, &device->reserved11, &device->reserved13})
        EXPECT_EQ(r->supported, 0);

    // A camera without the pair: its records keep what they held.
    model.procAmp.erase(pa::WhiteBalanceComponent);
    device->whiteBalanceRed.current = 77;
    EXPECT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ((std::array{device->whiteBalanceBlue.supported, device->whiteBalanceRed.supported,
                          device->whiteBalanceRed.current}),
              (std::array{0, 0, 77}));
    EXPECT_EQ(device->reserved16.supported, 6);  // never touched
    EXPECT_EQ(device->zoom.defaultValue, 9);     // zoom gets no range query
}

TEST_F(LoadPropertyInfo, ReturnsTrueEvenWhenEveryRequestFails) {
    for (auto* table : {&camera->Model().cameraControl, &camera->Model().procAmp})
        for (auto& [id, p] : *table) p.failing = platform::sim::kRequestAll;
    EXPECT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ(device->brightness.supported, 0);
}

class RestoreDefaults : public Requests {};

TEST_F(RestoreDefaults, SendsTenDefaultsAHundredMillisecondsApart) {
    camera->Model().procAmp[pa::Brightness].defaultValue = 12;
    camera->Model().procAmp[pa::Gamma].defaultValue = 140;
    ASSERT_TRUE(device->LoadPropertyInfo());
    bus.ClearRequests();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(device->RestoreDefaults());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took.count(), 0.95);
    EXPECT_LT(took.count(), 5.0);
    // Zoom's default is the record's 0, whatever the camera's zoom range.
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{
                                  "cam set camera-control 3 value=0 flags=0x0",
                                  "cam set proc-amp 0 value=12 flags=0x0",
                                  "cam set proc-amp 1 value=32 flags=0x0",
                                  "cam set proc-amp 5 value=140 flags=0x0",
                                  "cam set proc-amp 8 value=1 flags=0x0",
                                  "cam set proc-amp 9 value=0 flags=0x0",
                                  "cam set proc-amp 3 value=64 flags=0x0",
                                  "cam set proc-amp 4 value=3 flags=0x0",
                                  "cam set proc-amp 7 value=4600 flags=0x0",
                                  "cam set proc-amp 13 value=1 flags=0x0",
                              }));
}

TEST_F(RestoreDefaults, ReportsOnlyTheLastRequest) {
    camera->Model().cameraControl[cc::Zoom].failing = kRequestSet;
    camera->Model().procAmp[pa::Brightness].failing = kRequestSet;
    EXPECT_TRUE(device->RestoreDefaults());
    EXPECT_EQ(bus.Requests().size(), 10u);

    camera->Model().procAmp[pa::PowerLineFrequency].failing = kRequestSet;
    EXPECT_FALSE(device->RestoreDefaults());
}

// ---- a device that is not open ----

class ClosedDevice : public SimBusTest {
protected:
    void SetUp() override {
        SimBusTest::SetUp();
        bus.Plug("cam", SupportedCamera("PTZ Cam"));
    }
    void ExpectEveryOperationFailsSilently() {
        device->brightness = {1, 2, 3, 4, 5, 6};
        bus.ClearRequests();
        for (const Operation& op : EveryCameraOperation()) {
            SCOPED_TRACE(op.name);
            EXPECT_FALSE(op.call(*device));
        }
        EXPECT_TRUE(bus.Requests().empty());
        const PropertyInfo b = device->brightness;
        EXPECT_EQ((std::array{b.min, b.max, b.step, b.defaultValue, b.current, b.supported}),
                  (std::array{1, 2, 3, 4, 5, 6}));
    }
};

TEST_F(ClosedDevice, NewDeviceSendsNothing) { ExpectEveryOperationFailsSilently(); }

TEST_F(ClosedDevice, AfterCloseSendsNothing) {
    ASSERT_TRUE(device->Open("0", 1));
    device->Close();
    ExpectEveryOperationFailsSilently();
    EXPECT_STREQ(device->GetFriendlyName(), "PTZ Cam");  // Close keeps the name
}

TEST_F(ClosedDevice, AfterAnOpenThatMissedAnInterfaceSendsNothing) {
    bus.Plug("partial", SupportedCamera("Partial", "0002"))->Model().noCameraControl = true;
    EXPECT_FALSE(device->Open("1", 1));
    ExpectEveryOperationFailsSilently();
}

// ---- generic cameras: each operation on the controls the camera reports ----

// What a generic camera's .cam file says besides its ptz-controls line: a
// path of another make, relative speeds of typical ranges.
std::string GenericCamFile(const std::string& ptzControls) {
    return "name=Generic\npath=\\\\?\\usb#vid_1234&pid_5678&mi_00#1-4:1.0#video0\n"
           "camera-control.10=-24,24,1,0,0\ncamera-control.11=-20,20,1,0,0\ncamera-control.13=-7,7,1,0,0\n"
           "ptz-controls=" +
           ptzControls + "\n";
}

std::string Ks(uint32_t id, int32_t value1, int32_t flags) {
    char line[120];
    std::snprintf(line, sizeof line, "g ks-set camera-control %u value1=%d value2=0 flags=0x%x len=40", id, value1,
                  static_cast<unsigned>(flags));
    return line;
}
std::string Get(uint32_t id) { return "g get camera-control " + std::to_string(id); }

// A step of a mapping table: an operation (after letting the steps' clock
// run `afterMs`), what it returns, and every request the camera receives.
struct GenericStep {
    const char* name;
    int afterMs;
    std::function<int(BaseDevice&)> call;
    int returns;
    std::vector<std::string> requests;
};

int Did(bool result) { return result ? 1 : 0; }

class GenericCameras : public SimBusTest {
protected:
    void SetUp() override {
        SimBusTest::SetUp();
        SetStepClockForTesting([this] { return now; });
    }
    void TearDown() override {
        SetStepClockForTesting(nullptr);
        SimBusTest::TearDown();
    }
    void OpenGeneric(const std::string& ptzControls) {
        camera = bus.Plug("g", platform::sim::ParseCamFile(GenericCamFile(ptzControls)));
        ASSERT_TRUE(device->OpenAny("0", 1));
        bus.ClearRequests();
    }
    void Run(const std::vector<GenericStep>& steps) {
        for (const GenericStep& step : steps) {
            SCOPED_TRACE(step.name);
            now += std::chrono::milliseconds(step.afterMs);
            bus.ClearRequests();
            EXPECT_EQ(step.call(*device), step.returns);
            EXPECT_EQ(bus.Requests(), step.requests);
        }
    }
    // The camera's own commands: never sent to a generic camera.
    static std::vector<GenericStep> NoCommands() {
        std::vector<GenericStep> steps;
        for (const Operation& op : EveryCameraOperation()) {
            static const std::set<std::string> commands = {"MuteOn",      "MuteOff",   "FlipOn",      "FlipOff",
                                                           "MirrorOn",    "MirrorOff", "Command10",   "Command11",
                                                           "Command18",   "Command19", "FramingAuto", "FramingManual",
                                                           "PresetClear", "PresetSet", "PresetCall"};
            if (commands.count(op.name))
                steps.push_back({op.name, 0, [call = op.call](BaseDevice& d) { return Did(call(d)); }, 0, {}});
        }
        return steps;
    }

    std::chrono::steady_clock::time_point now{};
    std::shared_ptr<SimCamera> camera;
};

// Speed controls: the share of the fastest speed, in the camera's units;
// the focus, absolute only, is stepped.
TEST_F(GenericCameras, WithSpeedControlsEachMoveIsOneSpeedRequest) {
    OpenGeneric("pan-tilt-relative,zoom-relative,focus-absolute,focus-auto");
    EXPECT_EQ(device->Abilities(), AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode | AbilityPositions);
    Run({
        {"PanRight(100): the fastest", 0, [](BaseDevice& d) { return Did(d.PanRight(100)); }, 1, {Ks(10, 24, 0x10)}},
        {"PanLeft(50): half of 24", 0, [](BaseDevice& d) { return Did(d.PanLeft(50)); }, 1, {Ks(10, -12, 0x10)}},
        {"PanLeft(1): the slowest", 0, [](BaseDevice& d) { return Did(d.PanLeft(1)); }, 1, {Ks(10, -1, 0x10)}},
        {"PanRight(400): no faster than the fastest",
         0,
         [](BaseDevice& d) { return Did(d.PanRight(400)); },
         1,
         {Ks(10, 24, 0x10)}},
        {"PanLeftStop", 0, [](BaseDevice& d) { return Did(d.PanLeftStop()); }, 1, {Ks(10, 0, 0x10)}},
        {"TiltUp(100)", 0, [](BaseDevice& d) { return Did(d.TiltUp(100)); }, 1, {Ks(11, 20, 0x10)}},
        {"TiltDown(25)", 0, [](BaseDevice& d) { return Did(d.TiltDown(25)); }, 1, {Ks(11, -5, 0x10)}},
        {"TiltDownStop", 0, [](BaseDevice& d) { return Did(d.TiltDownStop()); }, 1, {Ks(11, 0, 0x10)}},
        {"ZoomIn(50): half of 7, up", 0, [](BaseDevice& d) { return Did(d.ZoomIn(50)); }, 1, {Ks(13, 4, 0x10)}},
        {"ZoomOut(100)", 0, [](BaseDevice& d) { return Did(d.ZoomOut(100)); }, 1, {Ks(13, -7, 0x10)}},
        {"ZoomStop", 0, [](BaseDevice& d) { return Did(d.ZoomStop()); }, 1, {Ks(13, 0, 0x10)}},
        {"StepMoves: nothing steps", 0, [](BaseDevice& d) { return d.StepMoves(); }, -1, {}},
        // 0..255 in 4 s at full speed: 2.55 in the first 40 ms, from 128.
        {"FocusFar(100): from where the focus is",
         0,
         [](BaseDevice& d) { return Did(d.FocusFar(100)); },
         1,
         {Get(6), Ks(6, 131, 0x0)}},
        {"FocusStop: the camera stops at the last step", 0, [](BaseDevice& d) { return Did(d.FocusStop()); }, 1, {}},
        {"FocusAuto", 0, [](BaseDevice& d) { return Did(d.FocusAuto()); }, 1, {Ks(6, 0, 0x1)}},
        {"FocusManual keeps the focus the camera has",
         0,
         [](BaseDevice& d) { return Did(d.FocusManual()); },
         1,
         {Get(6), Ks(6, 131, 0x2)}},
        {"Home: no absolute pan and tilt", 0, [](BaseDevice& d) { return Did(d.Home()); }, 0, {}},
        {"PanReset", 0, [](BaseDevice& d) { return Did(d.PanReset()); }, 0, {}},
        {"ZoomReset", 0, [](BaseDevice& d) { return Did(d.ZoomReset()); }, 0, {}},
    });
    Run(NoCommands());
}

// Absolute controls only: a move steps the position at the asked share of
// a sweep over the whole range in 4 s, one step every 40 ms.
TEST_F(GenericCameras, WithAbsoluteControlsOnlyMovesAreStepped) {
    OpenGeneric("pan-tilt-absolute,zoom-absolute");
    EXPECT_EQ(device->Abilities(), AbilityPanTilt | AbilityZoom | AbilityHome | AbilityPositions);
    Run({
        // Pan -170..170: 85 a second at full speed, 3.4 in the first step.
        {"PanRight(100)", 0, [](BaseDevice& d) { return Did(d.PanRight(100)); }, 1, {Get(0), Ks(0, 3, 0x0)}},
        {"StepMoves a second later", 1000, [](BaseDevice& d) { return d.StepMoves(); }, 40, {Ks(0, 88, 0x0)}},
        {"StepMoves at once: no whole step due", 0, [](BaseDevice& d) { return d.StepMoves(); }, 40, {}},
        {"PanRight(50): slower, from where it is", 0, [](BaseDevice& d) { return Did(d.PanRight(50)); }, 1, {}},
        {"StepMoves a second later", 1000, [](BaseDevice& d) { return d.StepMoves(); }, 40, {Ks(0, 131, 0x0)}},
        {"PanLeftStop", 0, [](BaseDevice& d) { return Did(d.PanLeftStop()); }, 1, {}},
        {"StepMoves: nothing moves", 1000, [](BaseDevice& d) { return d.StepMoves(); }, -1, {}},
        // Tilt -30..90: 30 a second; the end of the range ends the move.
        {"TiltDown(100)", 0, [](BaseDevice& d) { return Did(d.TiltDown(100)); }, 1, {Get(1), Ks(1, -1, 0x0)}},
        {"StepMoves ten seconds later", 10000, [](BaseDevice& d) { return d.StepMoves(); }, -1, {Ks(1, -30, 0x0)}},
        // Zoom 100..500: 25 a second at a quarter speed.
        {"ZoomIn(25)", 0, [](BaseDevice& d) { return Did(d.ZoomIn(25)); }, 1, {Get(3), Ks(3, 101, 0x0)}},
        {"StepMoves a second later", 1000, [](BaseDevice& d) { return d.StepMoves(); }, 40, {Ks(3, 126, 0x0)}},
        {"ZoomOut(100) turns it round",
         0,
         [](BaseDevice& d) { return Did(d.ZoomOut(100)); },
         1,
         {Get(3), Ks(3, 122, 0x0)}},
        {"ZoomStop", 0, [](BaseDevice& d) { return Did(d.ZoomStop()); }, 1, {}},
        {"Home: absolute 0/0", 0, [](BaseDevice& d) { return Did(d.Home()); }, 1, {Ks(0, 0, 0x0), Ks(1, 0, 0x0)}},
        {"ZoomReset: the camera's widest, 100",
         0,
         [](BaseDevice& d) { return Did(d.ZoomReset()); },
         1,
         {Ks(3, 100, 0x0)}},
        {"ZoomOut(100) at the widest: nowhere to go",
         0,
         [](BaseDevice& d) { return Did(d.ZoomOut(100)); },
         1,
         {Get(3)}},
        {"StepMoves", 40, [](BaseDevice& d) { return d.StepMoves(); }, -1, {}},
        {"FocusNear: no focus control", 0, [](BaseDevice& d) { return Did(d.FocusNear(100)); }, 0, {}},
        {"FocusAuto: no focus mode", 0, [](BaseDevice& d) { return Did(d.FocusAuto()); }, 0, {}},
        {"FocusManual", 0, [](BaseDevice& d) { return Did(d.FocusManual()); }, 0, {}},
    });
    Run(NoCommands());

    // A move that reaches the end of the range stops there.
    camera->Model().cameraControl[cc::Pan].current = 168;
    Run({
        {"PanRight(100) near the end",
         0,
         [](BaseDevice& d) { return Did(d.PanRight(100)); },
         1,
         {Get(0), Ks(0, 170, 0x0)}},
        {"StepMoves", 40, [](BaseDevice& d) { return d.StepMoves(); }, -1, {}},
    });
}

TEST_F(GenericCameras, WithZoomAloneOnlyZoomMoves) {
    OpenGeneric("zoom-relative");
    EXPECT_EQ(device->Abilities(), static_cast<uint32_t>(AbilityZoom));
    Run({
        {"ZoomIn(100)", 0, [](BaseDevice& d) { return Did(d.ZoomIn(100)); }, 1, {Ks(13, 7, 0x10)}},
        {"ZoomOut(1)", 0, [](BaseDevice& d) { return Did(d.ZoomOut(1)); }, 1, {Ks(13, -1, 0x10)}},
        {"ZoomStop", 0, [](BaseDevice& d) { return Did(d.ZoomStop()); }, 1, {Ks(13, 0, 0x10)}},
        {"PanLeft(100)", 0, [](BaseDevice& d) { return Did(d.PanLeft(100)); }, 0, {}},
        {"TiltUp(100)", 0, [](BaseDevice& d) { return Did(d.TiltUp(100)); }, 0, {}},
        {"PanLeftStop", 0, [](BaseDevice& d) { return Did(d.PanLeftStop()); }, 0, {}},
        {"Home", 0, [](BaseDevice& d) { return Did(d.Home()); }, 0, {}},
        {"FocusFar(100)", 0, [](BaseDevice& d) { return Did(d.FocusFar(100)); }, 0, {}},
        {"FocusAuto", 0, [](BaseDevice& d) { return Did(d.FocusAuto()); }, 0, {}},
    });
    Run(NoCommands());
    CameraPosition position;
    EXPECT_FALSE(device->GetPosition(position)) << "no absolute control to read";
}

// Positions, for presets kept outside the camera: the absolute axes it
// has, and focus only while it focuses by hand.
TEST_F(GenericCameras, PositionsAreTheAbsoluteAxesTheCameraHas) {
    OpenGeneric("pan-tilt-absolute,zoom-absolute,focus-absolute,focus-auto");
    auto& table = camera->Model().cameraControl;
    table[cc::Pan].current = -40;
    table[cc::Tilt].current = 25;
    table[cc::Zoom].current = 320;
    table[cc::Focus].current = 90;
    CameraPosition position;
    ASSERT_TRUE(device->GetPosition(position));
    EXPECT_EQ((std::array{position.pan, position.tilt, position.zoom, position.focus}), (std::array{-40, 25, 320, 90}));
    EXPECT_EQ(position.axes, PositionPan | PositionTilt | PositionZoom | PositionFocus);
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{Get(0), Get(1), Get(3), Get(6)}));

    ASSERT_TRUE(device->FocusAuto());
    bus.ClearRequests();
    EXPECT_TRUE(device->MoveToPosition({10, -5, 200, 60, PositionPan | PositionTilt | PositionZoom | PositionFocus}));
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{Ks(0, 10, 0), Ks(1, -5, 0), Ks(3, 200, 0), Get(6)}))
        << "automatic focus is left to find its own distance";
    ASSERT_TRUE(device->FocusManual());
    bus.ClearRequests();
    EXPECT_TRUE(device->MoveToPosition({0, 0, 0, 60, PositionFocus}));
    EXPECT_EQ(bus.Requests(), (std::vector<std::string>{Get(6), Ks(6, 60, 0)}));
    // Beyond the ranges (a hand-edited presets file, other firmware): each
    // axis at its nearest end.
    bus.ClearRequests();
    EXPECT_TRUE(device->MoveToPosition({-900, 400, -5, -5, PositionPan | PositionTilt | PositionZoom | PositionFocus}));
    EXPECT_EQ(bus.Requests(),
              (std::vector<std::string>{Ks(0, -170, 0), Ks(1, 90, 0), Ks(3, 100, 0), Get(6), Ks(6, 0, 0)}));

    // A recall ends a stepped move.
    ASSERT_TRUE(device->PanRight(100));
    EXPECT_TRUE(device->MoveToPosition({30, 0, 0, 0, PositionPan}));
    EXPECT_EQ(device->StepMoves(), -1);
    EXPECT_FALSE(device->MoveToPosition({0, 0, 0, 0, 0})) << "nothing to send";
}

TEST_F(Requests, AnUnpluggedCameraFailsAndLogsNothing) {
    ASSERT_TRUE(bus.Unplug("cam"));
    EXPECT_FALSE(device->PanLeft(3));
    int out = 5;
    EXPECT_FALSE(device->GetZoom(&out));
    EXPECT_EQ(out, 5);
    EXPECT_TRUE(bus.Requests().empty());
}

}  // namespace
}  // namespace lumetra::test
