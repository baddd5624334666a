// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The simulated bus as a directory of .cam files, end to end, and the
// parser of those files.
#include <gtest/gtest.h>

#include <random>

#include "SimFixture.h"
#include "TempDir.h"
#include "platform/Backends.h"
#include "platform/KsProperties.h"
#include "platform/sim/CamFile.h"

namespace lumetra::test {
namespace {

using platform::PropertySet;
using platform::sim::kRequestAll;
using platform::sim::kRequestGet;
using platform::sim::kRequestGetRange;
using platform::sim::kRequestKsSet;
using platform::sim::kRequestSet;
using platform::sim::ParseCamFile;
namespace cc = platform::CameraControlId;
namespace pa = platform::ProcAmpId;

const std::string kSupportedPath = "path=\\\\?\\usb#vid_0000&pid_8888&mi_00#6&2b1a&0&0000#{65e8773d}\\global\n";
const std::string kWebcamPath = "path=\\\\?\\usb#vid_046d&pid_0825&mi_00#7&1b2c&0&0000#{65e8773d}\\global\n";

// ---- the file format ----

TEST(CamFile, ReadsTextsAndProperties) {
    const auto model = ParseCamFile(
        "# a camera\n"
        "name=Room Camera 2 \n"
        "path=usb#vid_0000&pid_8888\r\n"
        "proc-amp.0=-10,10,1,2,3\n"
        "camera-control.3 = 100, 400, 10, 100, 250\n"
        "camera-control.5=none\n"
        "proc-amp.40=0,1,1,0,1\n");
    EXPECT_EQ(model.friendlyName, "Room Camera 2 ");  // everything after '=' is the text
    EXPECT_EQ(model.devicePath, "usb#vid_0000&pid_8888");
    const auto& b = model.procAmp.at(pa::Brightness);
    EXPECT_EQ((std::array{b.min, b.max, b.step, b.defaultValue, b.current}), (std::array{-10, 10, 1, 2, 3}));
    EXPECT_EQ(model.cameraControl.at(cc::Zoom).current, 250);
    EXPECT_EQ(model.cameraControl.count(cc::Iris), 0u);
    EXPECT_EQ(model.procAmp.count(40), 1u);
    EXPECT_EQ(model.procAmp.count(pa::Gamma), 1u);  // defaults for the rest
}

TEST(CamFile, WithoutTextsThePropertyBagCannotReadThem) {
    const auto model = ParseCamFile("proc-amp.0=1,2,1,1,1\n");
    EXPECT_FALSE(model.friendlyName.has_value());
    EXPECT_FALSE(model.devicePath.has_value());
}

TEST(CamFile, IgnoresLinesThatDoNotParse) {
    const auto defaults = ParseCamFile("");
    const auto model = ParseCamFile(
        "garbage\n=\n==\nname\n"
        "proc-amp.0=1,2,3,4\n"      // four fields
        "proc-amp.0=1,2,3,4,5,6\n"  // six
        "proc-amp.0=1,2,3,4,\n"
        "proc-amp.0=5,1,1,1,1\n"           // min above max
        "proc-amp.0=0,2147483648,1,1,1\n"  // past 32 bits
        "proc-amp.0=0,0x10,1,1,1\n"
        "proc-amp.0=+1,2,1,1,1\n"
        "proc-amp.x=1,2,1,1,1\n"
        "proc-amp.-1=1,2,1,1,1\n"
        "proc-amp.4294967296=1,2,1,1,1\n"
        "proc-amp.=1,2,1,1,1\n"
        "#proc-amp.1=none\n"
        "camera-control.3=\n"
        "fault.bind=maybe\n"
        "fault.interface=everything\n");
    EXPECT_FALSE(model.friendlyName.has_value());
    EXPECT_EQ(model.procAmp.size(), defaults.procAmp.size());
    EXPECT_EQ(model.procAmp.at(pa::Brightness).max, defaults.procAmp.at(pa::Brightness).max);
    EXPECT_EQ(model.procAmp.count(pa::Contrast), 1u);
    EXPECT_EQ(model.cameraControl.count(cc::Zoom), 1u);
    EXPECT_FALSE(model.bindFails || model.noVideoProcAmp || model.noKsControl || model.noKsPropertySet ||
                 model.noCameraControl);
}

TEST(CamFile, ExtremeValuesAreKept) {
    const auto model = ParseCamFile("proc-amp.0=-2147483648,2147483647,0,-2147483648,2147483647\n");
    const auto& b = model.procAmp.at(pa::Brightness);
    EXPECT_EQ(b.min, INT32_MIN);
    EXPECT_EQ(b.current, INT32_MAX);
}

TEST(CamFile, ReadsFaults) {
    const auto model = ParseCamFile(
        "fault.proc-amp.9=get, get-range,bogus\n"
        "fault.camera-control.4=all\n"
        "fault.camera-control.6=ks-set\n"
        "camera-control.6=0,10,1,0,0\n"  // a fault applies whatever the line order
        "fault.proc-amp.77=get\n"        // no such property: nothing to fail
        "fault.property-bag=missing\n"
        "fault.bind=fail\n"
        "fault.interface=ks-control, camera-control\n");
    EXPECT_EQ(model.procAmp.at(pa::Gain).failing, kRequestGet | kRequestGetRange);
    EXPECT_EQ(model.cameraControl.at(cc::Exposure).failing, kRequestAll);
    EXPECT_EQ(model.cameraControl.at(cc::Focus).failing, kRequestKsSet);
    EXPECT_EQ(model.procAmp.count(77), 0u);
    EXPECT_TRUE(model.noPropertyBag);
    EXPECT_TRUE(model.bindFails);
    EXPECT_TRUE(model.noKsControl && model.noCameraControl);
    EXPECT_FALSE(model.noVideoProcAmp || model.noKsPropertySet);

    const auto later = ParseCamFile("fault.interface=ks-control\nfault.interface=video-proc-amp\n");
    EXPECT_TRUE(later.noVideoProcAmp);
    EXPECT_FALSE(later.noKsControl);  // the last line holds
}

TEST(CamFile, SurvivesArbitraryBytes) {
    std::mt19937 random(20240611);
    const std::string alphabet = "name=path.,-0123456789\n\r#fault.camera-control.proc-amp.none all\xff\x80";
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 300, '\0');
        for (char& c : text) c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        const auto model = ParseCamFile(text);
        for (const auto* table : {&model.cameraControl, &model.procAmp})
            for (const auto& [id, p] : *table) ASSERT_LE(p.min, p.max) << text;
    }
}

// ---- the directory, end to end ----

class SimDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        platform::SetBackendForTesting(platform::CreateSimDirectoryBackend(dir.Path().string()));
        BaseDevice::Initial();
        device = BaseDevice::CreateDevice(USB);
    }
    void TearDown() override {
        device->Close();
        BaseDevice::DeleteDevice(device);
        BaseDevice::Release();
        platform::SetBackendForTesting(nullptr);
    }
    void Plug(const std::string& file, const std::string& name, const std::string& extra = "") {
        dir.Write(file, "name=" + name + "\n" + kSupportedPath + extra);
    }
    std::vector<std::string> Log() const { return dir.Lines("requests.log"); }
    std::vector<std::string> Names() {
        std::vector<DeviceInfo> list;
        std::vector<std::string> names;
        if (!BaseDevice::EnumUSBDevices(list)) return {"<failed>"};
        for (const auto& d : list) names.push_back(d.friendlyName);
        return names;
    }

    TempDir dir;
    BaseDevice* device = nullptr;
};

TEST_F(SimDirectory, CamFilesAreDevicesInFileNameOrder) {
    Plug("b.cam", "Cam B");
    Plug("a.cam", "Cam A");
    dir.Write("c.cam", "name=Webcam\n" + kWebcamPath);
    Plug("d.cam.tmp", "Not a camera file");
    Plug("notes.txt", "Not a camera file");
    Plug(".cam", "No name");
    std::filesystem::create_directory(dir.File("dir.cam"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Cam A", "Cam B"}));

    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    EXPECT_EQ(list[1].devicePath, kSupportedPath.substr(5, kSupportedPath.size() - 6));
}

TEST_F(SimDirectory, AMissingOrEmptyDirectoryHasNoDevices) {
    EXPECT_EQ(Names(), std::vector<std::string>{"<failed>"});
    platform::SetBackendForTesting(platform::CreateSimDirectoryBackend(dir.File("missing")));
    EXPECT_EQ(Names(), std::vector<std::string>{"<failed>"});
    EXPECT_FALSE(device->Open("0", 1));
}

TEST_F(SimDirectory, RequestsAreAppendedToTheLog) {
    Plug("cam1.cam", "Cam 1", "proc-amp.0=-64,64,1,5,17\n");
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_TRUE(device->PanLeft(5));
    EXPECT_TRUE(device->SetWhiteBalanceRed(4000));
    int brightness = 0;
    EXPECT_TRUE(device->GetBrightness(&brightness));
    EXPECT_EQ(brightness, 17);
    EXPECT_TRUE(device->PresetCall(2));
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "cam1 ks-set camera-control 10 value1=-5 value2=0 flags=0x10 len=40",
                         "cam1 ks-set proc-amp 12 value1=0 value2=4000 flags=0x2 len=48",
                         "cam1 get proc-amp 0",
                         "cam1 ks-set camera-control 2 value1=102 value2=0 flags=0x0 len=40",
                     }));
    // Deleting the log starts a new one.
    dir.Remove("requests.log");
    EXPECT_TRUE(device->Home());
    EXPECT_EQ(Log(), (std::vector<std::string>{"cam1 ks-set camera-control 2 value1=8 value2=0 flags=0x10 len=40"}));
}

TEST_F(SimDirectory, SettersChangeTheCameraAndClosingKeepsIt) {
    Plug("cam1.cam", "Cam 1");
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_TRUE(device->SetBrightness(33));
    EXPECT_TRUE(device->SetWhiteBalance(0));  // automatic: the value stays
    device->Close();
    ASSERT_TRUE(device->Open("0", 1));
    int value = 0;
    EXPECT_TRUE(device->GetBrightness(&value));
    EXPECT_EQ(value, 33);
    EXPECT_TRUE(device->GetWhiteBalance(&value));
    EXPECT_EQ(value, 4600);
    EXPECT_TRUE(device->SetBrightness(1000));  // clamped to the range, like uvcvideo
    EXPECT_TRUE(device->GetBrightness(&value));
    EXPECT_EQ(value, 64);
}

TEST_F(SimDirectory, AVanishedFileIsAnUnpluggedCamera) {
    Plug("a.cam", "Cam A", "proc-amp.0=-64,64,1,0,7\n");
    Plug("b.cam", "Cam B");
    ASSERT_TRUE(device->Open("0", 1));
    ASSERT_TRUE(device->SetBrightness(20));
    const auto logged = Log();

    dir.Remove("a.cam");
    EXPECT_FALSE(device->PanLeft(5));
    int value = -1;
    EXPECT_FALSE(device->GetBrightness(&value));
    EXPECT_EQ(value, -1);
    EXPECT_EQ(Log(), logged);
    EXPECT_EQ(Names(), std::vector<std::string>{"Cam B"});

    // Plugged in again: a new camera, read afresh; the old handle stays dead.
    Plug("a.cam", "Cam A", "proc-amp.0=-64,64,1,0,7\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Cam A", "Cam B"}));
    EXPECT_FALSE(device->PanLeft(5));
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_TRUE(device->GetBrightness(&value));
    EXPECT_EQ(value, 7);
}

TEST_F(SimDirectory, EditingTheFileChangesFaultsButKeepsValues) {
    Plug("a.cam", "Cam A");
    ASSERT_TRUE(device->Open("0", 1));
    ASSERT_TRUE(device->SetGain(40));
    dir.Append("a.cam", "fault.proc-amp.9=get\n");
    int value = -1;
    EXPECT_FALSE(device->GetGain(&value));
    EXPECT_EQ(Log().back(), "a get proc-amp 9");  // still received, and refused
    dir.Append("a.cam", "fault.proc-amp.9=\n");
    EXPECT_TRUE(device->GetGain(&value));
    EXPECT_EQ(value, 40);
}

TEST_F(SimDirectory, FaultKeysReachTheLibrary) {
    Plug("a.cam", "No bag", "fault.property-bag=missing\n");
    Plug("b.cam", "Unbindable", "fault.bind=fail\n");
    Plug("c.cam", "No camera control", "fault.interface=camera-control\n");
    Plug("d.cam", "No iris", "camera-control.5=none\nfault.proc-amp.9=get\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"Unbindable", "No camera control", "No iris"}));
    EXPECT_FALSE(device->Open("0", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "Unbindable");
    EXPECT_FALSE(device->Open("1", 1));
    ASSERT_TRUE(device->Open("2", 1));
    EXPECT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ(device->iris.supported, 0);
    EXPECT_EQ(device->gain.supported, 0);
    EXPECT_EQ(device->brightness.supported, 1);
}

// Why a command did not reach the camera, as the caller learns it.
TEST_F(SimDirectory, FaultCausesReachTheCaller) {
    struct Case {
        const char* faults;
        bool presetCall;
        RequestFault fault;
    };
    const Case cases[] = {
        {"", true, RequestFault::None},
        {"fault.camera-control.2=ks-set\n", false, RequestFault::None},
        {"fault.camera-control.2=ks-set,refused\n", false, RequestFault::CameraBusy},
        {"fault.camera-control.2=no-permission, ks-set\n", false, RequestFault::NoPermission},
        {"fault.camera-control.2=ks-set,no-answer\n", false, RequestFault::NoAnswer},
        {"fault.camera-control.2=refused\n", true, RequestFault::None},  // a cause alone fails nothing
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.faults);
        const std::string file = "camera" + std::to_string(n++) + ".cam";
        Plug(file, "Camera", c.faults);
        ASSERT_TRUE(device->Open("0", 1));
        EXPECT_EQ(device->PresetCall(3), c.presetCall);
        EXPECT_EQ(device->LastRequestFault(), c.fault);
        device->Close();
        EXPECT_EQ(device->LastRequestFault(), RequestFault::None) << "Close forgets it";
        ASSERT_TRUE(device->Open("0", 1));
        device->PresetCall(3);
        EXPECT_TRUE(device->SetBrightness(1));
        EXPECT_EQ(device->LastRequestFault(), RequestFault::None) << "the last request reached the camera";
        dir.Remove(file);
    }
}

}  // namespace
}  // namespace lumetra::test
