// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Enumeration and Open: one walk, one matching rule, every failure path.
#include <gtest/gtest.h>

#include <thread>

#include "Discovery.h"
#include "SimFixture.h"
#include "platform/sim/CamFile.h"

namespace lumetra::test {
namespace {

using platform::kFail;
using platform::kNotInitialized;

DeviceInfo Record(int32_t index, std::string name, std::string path) {
    DeviceInfo info;
    info.index = index;
    info.friendlyName = std::move(name);
    info.devicePath = std::move(path);
    return info;
}

void ExpectList(const std::vector<DeviceInfo>& list, const std::vector<std::string>& names) {
    ASSERT_EQ(list.size(), names.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].index, static_cast<int32_t>(i));
        EXPECT_EQ(list[i].friendlyName, names[i]);
    }
}

TEST(CameraIdPatterns, MatchAsCaseSensitiveSubstrings) {
    const std::pair<const char*, bool> paths[] = {
        {"\\\\?\\usb#vid_1234&pid_8888&mi_00#x", true},
        {"\\\\?\\usb#vid_1234&pid_88881#x", true},  // a further digit still contains it
        {"usb#vid_abcd&pid_7588", true},
        {"vid_0000&pid_00f9", true},
        {"usb#vid_0000&mi_00&pid_00f9", false},  // both halves, but apart
        {"usb#vid_0000 pid_00f9", false},
        {"usb#VID_1234&PID_8888", false},
        {"usb#vid_0000&pid_00F9", false},
        {"pid_888", false},
        {"", false},
        {"usb#vid_0000&mi_00&pid_00f9#pid_7588", true},
    };
    for (const auto& [path, supported] : paths) EXPECT_EQ(IsSupportedCameraPath(path), supported) << path;
}

class Discovery : public SimBusTest {
protected:
    std::vector<DeviceInfo> OldList() { return {Record(7, "old", "old-path")}; }
    void ExpectOldList(const std::vector<DeviceInfo>& list) {
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].index, 7);
        EXPECT_EQ(list[0].friendlyName, "old");
    }
    // Which camera received the last request: the one the device has bound.
    std::string BoundCamera() {
        bus.ClearRequests();
        device->Home();
        const auto lines = bus.Requests();
        return lines.empty() ? "" : lines[0].substr(0, lines[0].find(' '));
    }
};

TEST_F(Discovery, ListsSupportedCamerasInSystemOrderSkippingOthers) {
    bus.Plug("w1", OtherWebcam("Webcam 1"));
    const auto a = SupportedCamera("Cam A", "aaaa");
    bus.Plug("a", a);
    bus.Plug("w2", OtherWebcam("Webcam 2"));
    bus.Plug("b", SupportedCamera("Cam B", "bbbb"));
    bus.Plug("w3", OtherWebcam("Webcam 3"));

    std::vector<DeviceInfo> list = OldList();
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ExpectList(list, {"Cam A", "Cam B"});
    EXPECT_EQ(list[0].devicePath, *a.devicePath);

    ASSERT_TRUE(device->Open("1", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "Cam B");
    EXPECT_EQ(BoundCamera(), "b");
    ASSERT_TRUE(device->Open("0", 1));  // reopening closes and binds again
    EXPECT_EQ(BoundCamera(), "a");
}

// Another make's UVC camera is generic when its driver reports pan and
// tilt, or zoom; the generic ones come after every supported one, each
// kind in system order, and OpenAny opens them by that number. Open never
// sees them.
TEST_F(Discovery, GenericCamerasFollowTheSupportedOnes) {
    const auto generic = [](const std::string& name, const std::string& extra) {
        return platform::sim::ParseCamFile("name=" + name + "\npath=\\\\?\\usb#vid_1234&pid_5678&mi_00#" + name + "\n" +
                                           extra);
    };
    bus.Plug("1-g", generic("Pan Tilt", "ptz-controls=pan-tilt-absolute\nserial=SN-1\n"));
    bus.Plug("2-w", OtherWebcam("Webcam"));  // reports no motion controls
    bus.Plug("3-a", SupportedCamera("Cam A", "aaaa"));
    bus.Plug("4-f", generic("Focus Only", "ptz-controls=focus-absolute,focus-auto\n"));
    bus.Plug("5-z", generic("Zoom Speed", "ptz-controls=zoom-relative\n"));
    // A zoom speed that cannot stop moves nothing.
    bus.Plug("6-c", generic("Clamped", "ptz-controls=zoom-relative\ncamera-control.13=1,7,1,1,1\n"));
    bus.Plug("7-v", generic("Not On USB", "ptz-controls=pan-tilt-absolute\npath=\\\\?\\v4l2#video9\n"));
    bus.Plug("8-b", SupportedCamera("Cam B", "bbbb"));

    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ExpectList(list, {"Cam A", "Cam B"});
    ASSERT_TRUE(BaseDevice::EnumAllUSBDevices(list));
    ExpectList(list, {"Cam A", "Cam B", "Pan Tilt", "Zoom Speed"});
    EXPECT_EQ(list[2].devicePath, "\\\\?\\usb#vid_1234&pid_5678&mi_00#Pan Tilt");
    EXPECT_TRUE(bus.Requests().empty()) << "asking the driver what moves the camera asks the camera nothing";

    const auto opens = [this](const char* index) {
        bus.ClearRequests();
        if (!device->OpenAny(index, 1)) return std::string("none");
        device->PanReset();
        device->ZoomReset();
        const auto lines = bus.Requests();
        return std::string(device->GetFriendlyName()) + " " +
               (lines.empty() ? "" : lines[0].substr(0, lines[0].find(' '))) + " " + device->CameraIdentity();
    };
    EXPECT_EQ(opens("1"), "Cam B 8-b ");
    EXPECT_EQ(opens("2"), "Pan Tilt 1-g 1234:5678 serial SN-1");
    EXPECT_EQ(opens("3"), "Zoom Speed  1234:5678 port 5-z") << "no absolute zoom: ZoomReset sends nothing";
    EXPECT_EQ(opens("4"), "none");
    EXPECT_EQ(device->Abilities(), 0u) << "a failed open leaves the device closed";
    EXPECT_FALSE(device->Open("2", 1)) << "Open numbers the supported cameras alone";
    ASSERT_TRUE(device->Open("1", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "Cam B");
}

TEST(CameraIdentity, SerialFirstThenPlaceOnTheBus) {
    const std::string path = "\\\\?\\usb#vid_1D6B&pid_0104&mi_00#1-2.3:1.0#video4";
    EXPECT_EQ(CameraIdentityOf(path, "0001", "1-2.3"), "1d6b:0104 serial 0001");
    EXPECT_EQ(CameraIdentityOf(path, "", "1-2.3"), "1d6b:0104 port 1-2.3");
    EXPECT_EQ(CameraIdentityOf(path, "", ""), "1d6b:0104 path " + path);
    EXPECT_EQ(CameraIdentityOf("\\\\?\\usb#vid_12&pid_5678", "x", ""), "path \\\\?\\usb#vid_12&pid_5678");
}

TEST_F(Discovery, OnlyOtherDevicesGiveTrueAndAnEmptyList) {
    bus.Plug("w1", OtherWebcam("Webcam"));
    std::vector<DeviceInfo> list = OldList();
    EXPECT_TRUE(BaseDevice::EnumUSBDevices(list));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(device->Open("0", 1));
}

TEST_F(Discovery, NoDeviceAtAllFailsAndKeepsTheList) {
    std::vector<DeviceInfo> list = OldList();
    EXPECT_FALSE(BaseDevice::EnumUSBDevices(list));
    ExpectOldList(list);
    EXPECT_FALSE(device->Open("0", 1));
}

TEST_F(Discovery, WalkFailuresFailAndKeepTheList) {
    bus.Plug("a", SupportedCamera("Cam A"));
    std::vector<DeviceInfo> list = OldList();

    bus.SetDeviceEnumeratorResult(kFail);
    EXPECT_FALSE(BaseDevice::EnumUSBDevices(list));
    EXPECT_FALSE(device->Open("0", 1));
    ExpectOldList(list);
    bus.SetDeviceEnumeratorResult(platform::kOk);

    bus.SetCategoryResult(kFail);
    EXPECT_FALSE(BaseDevice::EnumUSBDevices(list));
    EXPECT_FALSE(device->Open("0", 1));
    ExpectOldList(list);
    bus.SetCategoryResult(platform::kOk);

    EXPECT_TRUE(BaseDevice::EnumUSBDevices(list));
    ExpectList(list, {"Cam A"});
}

TEST_F(Discovery, AThreadThatWasNeverInitialisedCannotWalk) {
    bus.Plug("a", SupportedCamera("Cam A"));
    bool listed = true, opened = true;
    std::vector<DeviceInfo> list = OldList();
    std::thread([&] {
        listed = BaseDevice::EnumUSBDevices(list);
        opened = device->Open("0", 1);
    }).join();
    EXPECT_FALSE(listed);
    EXPECT_FALSE(opened);
    ExpectOldList(list);
}

TEST_F(Discovery, InitialisationIsCounted) {
    bus.Plug("a", SupportedCamera("Cam A"));
    std::vector<DeviceInfo> list;
    BaseDevice::Initial();  // the fixture's plus this one
    BaseDevice::Release();
    EXPECT_TRUE(BaseDevice::EnumUSBDevices(list));
    BaseDevice::Release();
    EXPECT_FALSE(BaseDevice::EnumUSBDevices(list));
    BaseDevice::Release();  // one too many does no harm
    BaseDevice::Initial();
    EXPECT_TRUE(BaseDevice::EnumUSBDevices(list));  // the fixture's Release balances this
}

TEST_F(Discovery, ADeviceWithoutPropertyBagIsNotCounted) {
    auto hidden = SupportedCamera("Hidden", "0001");
    hidden.noPropertyBag = true;
    bus.Plug("hidden", hidden);
    bus.Plug("b", SupportedCamera("Cam B", "0002"));
    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ExpectList(list, {"Cam B"});
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_EQ(BoundCamera(), "b");
}

TEST_F(Discovery, UnreadableTextsAreEmpty) {
    auto nameless = SupportedCamera("x", "0001");
    nameless.friendlyName.reset();
    bus.Plug("nameless", nameless);
    auto pathless = SupportedCamera("Pathless", "0002");
    pathless.devicePath.reset();
    bus.Plug("pathless", pathless);  // an empty path never matches

    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ExpectList(list, {""});
    EXPECT_FALSE(list[0].devicePath.empty());
    EXPECT_TRUE(device->Open("0", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "");
}

TEST_F(Discovery, ABindFailureReachesTheCameraButOpensNothing) {
    bus.Plug("a", SupportedCamera("Cam A", "0001"));
    auto broken = SupportedCamera("Broken", "0002");
    broken.bindFails = true;
    bus.Plug("broken", broken);

    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_FALSE(device->Open("1", 1));
    // The walk reached the camera, so its name was taken.
    EXPECT_STREQ(device->GetFriendlyName(), "Broken");
    EXPECT_EQ(BoundCamera(), "");
}

TEST_F(Discovery, EachMissingInterfaceFailsOpen) {
    for (int missing = 0; missing < 4; ++missing) {
        SCOPED_TRACE(missing);
        auto model = SupportedCamera("Cam", std::to_string(missing));
        model.noVideoProcAmp = missing == 0;
        model.noKsControl = missing == 1;
        model.noKsPropertySet = missing == 2;
        model.noCameraControl = missing == 3;
        bus.Plug("cam" + std::to_string(missing), model);
        EXPECT_FALSE(device->Open(std::to_string(missing).c_str(), 1));
        EXPECT_EQ(BoundCamera(), "");
    }
}

TEST_F(Discovery, OpenReadsItsTextAsAtoi) {
    bus.Plug("a", SupportedCamera("Cam A", "0001"));
    bus.Plug("b", SupportedCamera("Cam B", "0002"));
    const std::pair<const char*, const char*> cases[] = {
        {"1", "b"},
        {" \t\n1", "b"},
        {"+1", "b"},
        {"1abc", "b"},
        {"01", "b"},
        {"abc", "a"},
        {"", "a"},
        {"-0", "a"},
        {" x1", "a"},
        {"2", ""},
        {"-1", ""},
        {"99999999999", ""},
        {"-99999999999", ""},
        {"4294967297", ""},  // would be 1 if the value wrapped
        {"999999999999999999999999999", ""},
    };
    for (const auto& [text, camera] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(device->Open(text, 1), *camera != '\0');
        EXPECT_EQ(BoundCamera(), camera);
    }
}

TEST_F(Discovery, OpenWithoutTextClosesAndFails) {
    bus.Plug("a", SupportedCamera("Cam A"));
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_FALSE(device->Open(nullptr, 1));
    EXPECT_EQ(BoundCamera(), "");
    EXPECT_STREQ(device->GetFriendlyName(), "Cam A");
}

TEST_F(Discovery, AFailedOpenKeepsTheLastNameAndCloses) {
    bus.Plug("a", SupportedCamera("Cam A"));
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_FALSE(device->Open("1", 1));  // index equal to the number of cameras
    EXPECT_STREQ(device->GetFriendlyName(), "Cam A");
    EXPECT_EQ(BoundCamera(), "");
}

TEST_F(Discovery, AnOpenSeesCamerasPluggedSinceTheEnumeration) {
    bus.Plug("a", SupportedCamera("Cam A", "0001"));
    bus.Plug("b", SupportedCamera("Cam B", "0002"));
    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ASSERT_TRUE(bus.Unplug("a"));
    EXPECT_FALSE(device->Open("1", 1));  // the numbers shifted
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_EQ(BoundCamera(), "b");
}

TEST_F(Discovery, LongNamesAreCutToTheBufferWithoutSplittingACharacter) {
    bus.Plug("long", SupportedCamera(std::string(2000, 'x'), "0001"));
    // 1022 bytes, then a two-byte character that would end at byte 1024.
    bus.Plug("edge", SupportedCamera(std::string(1022, 'y') + "\xC3\xA9" + "z", "0002"));
    bus.Plug("fits", SupportedCamera(std::string(1021, 'w') + "\xC3\xA9", "0003"));

    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    EXPECT_EQ(list[0].friendlyName.size(), 2000u);  // the list keeps it whole

    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_EQ(std::string(device->GetFriendlyName()), std::string(1023, 'x'));
    ASSERT_TRUE(device->Open("1", 1));
    EXPECT_EQ(std::string(device->GetFriendlyName()), std::string(1022, 'y'));
    ASSERT_TRUE(device->Open("2", 1));
    EXPECT_EQ(std::string(device->GetFriendlyName()), std::string(1021, 'w') + "\xC3\xA9");
}

TEST_F(Discovery, NamesOutsideAsciiAreListedAsUtf8) {
    bus.Plug("a", SupportedCamera("Kam\xC3\xA9ra \xE6\x91\x84\xE5\x83\x8F \xF0\x9F\x93\xB7", "0001"));
    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ExpectList(list, {"Kam\xC3\xA9ra \xE6\x91\x84\xE5\x83\x8F \xF0\x9F\x93\xB7"});
}

}  // namespace
}  // namespace lumetra::test
