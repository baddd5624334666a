// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A client of libLumetra.so that sees only the public header, as the panel
// does: cameras come from LUMETRA_SIM_DIR, set before the first call.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TempDir.h"
#include "lumetra/BaseDevice.h"

namespace {

lumetra::test::TempDir* simDir = nullptr;

TEST(PublicApi, ListsOpensAndDrivesASimulatedCamera) {
    simDir->Write("1-webcam.cam", "name=Webcam\npath=\\\\?\\usb#vid_046d&pid_0825&mi_00#1\n");
    simDir->Write("2-ptz.cam", "name=PTZ Camera\npath=\\\\?\\usb#vid_0000&pid_00f9&mi_00#2\nproc-amp.1=0,95,1,30,44\n");

    BaseDevice::Initial();
    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(list));
    ASSERT_EQ(list.size(), 1u);
    const DeviceInfo copy = list[0];  // the exported copy constructor
    EXPECT_EQ(copy.index, 0);
    EXPECT_EQ(copy.friendlyName, "PTZ Camera");

    BaseDevice* device = BaseDevice::CreateDevice(USB);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "PTZ Camera");
    EXPECT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ(device->contrast.max, 95);
    EXPECT_EQ(device->contrast.defaultValue, 30);
    EXPECT_EQ(device->contrast.current, 44);
    EXPECT_EQ(device->contrast.supported, 1);
    EXPECT_TRUE(device->TiltUp(4));
    device->Close();
    EXPECT_FALSE(device->TiltUp(4));
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();

    const auto log = simDir->Lines("requests.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "2-ptz ks-set camera-control 11 value1=4 value2=0 flags=0x10 len=40");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    lumetra::test::TempDir dir;
    simDir = &dir;
    ::setenv("LUMETRA_SIM_DIR", dir.Path().c_str(), 1);
    return RUN_ALL_TESTS();
}
