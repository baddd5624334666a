// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The video-capture category over sysfs and VIDIOC_QUERYCAP: which nodes are
// listed, in which order, under which names and paths, and binding one.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "V4l2TestSupport.h"

namespace fake {
namespace {

using namespace lumetra::platform;

class DiscoveryTest : public V4l2Test {};

TEST_F(DiscoveryTest, ListsEveryNodeInNodeOrderWithWindowsShapedPaths) {
    auto ptz = PtzCamera(0x0000, 0x8888);
    machine->Plug(ptz, 0, 1, "PTZ Pro 2");
    machine->AddOtherUsbNode(2, 0x0000, 0x7588, "Old Webcam", "gspca_zc3xx");
    machine->AddPlatformNode(3, "vivid");
    auto conference = PtzCamera(0x0ABC, 0x00F9);
    conference->interfaceNumber = 2;
    machine->Plug(conference, 10, 11, "Conference Cam");

    std::vector<Listed> listed;
    ASSERT_EQ(List(listed), kOk);
    ASSERT_EQ(listed.size(), 6u);
    EXPECT_EQ(listed[0].friendlyName, "PTZ Pro 2");
    EXPECT_EQ(listed[0].devicePath, "\\\\?\\usb#vid_0000&pid_8888&mi_00#1-2:1.0#video0");
    EXPECT_EQ(listed[1].friendlyName, "PTZ Pro 2");
    EXPECT_EQ(listed[1].devicePath, "\\\\?\\v4l2#video1") << "the metadata node carries no ids";
    EXPECT_EQ(listed[2].devicePath, "\\\\?\\v4l2#video2") << "only uvcvideo nodes are cameras";
    EXPECT_EQ(listed[3].friendlyName, "vivid");
    EXPECT_EQ(listed[3].devicePath, "\\\\?\\v4l2#video3");
    EXPECT_EQ(listed[4].friendlyName, "Conference Cam");
    EXPECT_EQ(listed[4].devicePath, "\\\\?\\usb#vid_0abc&pid_00f9&mi_02#1-4:1.2#video10") << "lower-case hex";
    EXPECT_EQ(listed[5].devicePath, "\\\\?\\v4l2#video11");

    EXPECT_EQ(machine->openFlags["/dev/video0"], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    EXPECT_EQ(machine->OpenedCount("/dev/video3"), 0) << "a node off USB is not opened";
    EXPECT_EQ(machine->OpenDescriptors(), 0) << "probing leaves nothing open";
}

TEST_F(DiscoveryTest, WalksAgainAfterReset) {
    machine->Plug(PtzCamera(), 0, 1, "PTZ");
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    ASSERT_EQ(backend->CreateDeviceEnumerator(devices), kOk);
    ASSERT_EQ(devices->CreateVideoInputEnumerator(monikers), kOk);
    std::unique_ptr<Moniker> moniker;
    EXPECT_EQ(monikers->Next(moniker), kOk);
    EXPECT_EQ(monikers->Next(moniker), kOk);
    EXPECT_EQ(monikers->Next(moniker), kFalse);
    EXPECT_FALSE(moniker);
    EXPECT_EQ(monikers->Reset(), kOk);
    EXPECT_EQ(monikers->Next(moniker), kOk);
}

TEST_F(DiscoveryTest, AnEmptyCategoryIsReportedAsSuch) {
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    ASSERT_EQ(backend->CreateDeviceEnumerator(devices), kOk);
    EXPECT_EQ(devices->CreateVideoInputEnumerator(monikers), kFalse);
    EXPECT_FALSE(monikers);
}

TEST_F(DiscoveryTest, ANodeThatCannotBeAskedHasNoPropertyBag) {
    machine->Plug(PtzCamera(), 0, 1, "Locked");
    machine->Plug(PtzCamera(), 2, 3, "Open");
    machine->openErrors["/dev/video0"] = -EACCES;
    machine->openErrors["/dev/video1"] = -ENOENT;  // gone between listing and asking
    std::vector<Listed> listed;
    ASSERT_EQ(List(listed), kOk);
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0].friendlyName, "<no property bag>");
    EXPECT_EQ(listed[1].friendlyName, "<no property bag>");
    EXPECT_EQ(listed[2].devicePath, "\\\\?\\usb#vid_0000&pid_8888&mi_00#1-3:1.0#video2");
}

TEST_F(DiscoveryTest, BindingHoldsTheNodeUntilTheLastInterfaceGoes) {
    machine->Plug(PtzCamera(), 0, 1, "PTZ");
    BoundCamera camera = Bind(0);
    ASSERT_TRUE(camera.filter);
    EXPECT_TRUE(camera.properties);
    EXPECT_TRUE(camera.cameraControl);
    EXPECT_TRUE(camera.procAmp);
    EXPECT_TRUE(camera.ksControl);
    EXPECT_EQ(machine->OpenDescriptors(), 1);

    camera.filter.reset();
    camera.properties.reset();
    camera.procAmp.reset();
    camera.ksControl.reset();
    EXPECT_EQ(machine->OpenDescriptors(), 1) << "the camera control still holds it";
    int32_t zoom = -1, flags = 0;
    EXPECT_EQ(camera.cameraControl->Get(CameraControlId::Zoom, &zoom, &flags), kOk);
    EXPECT_EQ(zoom, 40);
    camera.cameraControl.reset();
    EXPECT_EQ(machine->OpenDescriptors(), 0);
}

TEST_F(DiscoveryTest, OnlyAUvcCaptureNodeBinds) {
    machine->Plug(PtzCamera(), 0, 1, "PTZ");
    machine->AddOtherUsbNode(2, 0x0000, 0x8888, "Other", "gspca_zc3xx");
    EXPECT_FALSE(Bind(1).filter) << "metadata node";
    EXPECT_FALSE(Bind(2).filter) << "another driver";
    EXPECT_EQ(machine->OpenDescriptors(), 0);

    // The node vanishes between listing and binding.
    std::unique_ptr<DeviceEnumerator> devices;
    std::unique_ptr<MonikerEnumerator> monikers;
    std::unique_ptr<Moniker> moniker;
    ASSERT_EQ(backend->CreateDeviceEnumerator(devices), kOk);
    ASSERT_EQ(devices->CreateVideoInputEnumerator(monikers), kOk);
    ASSERT_EQ(monikers->Next(moniker), kOk);
    machine->openErrors["/dev/video0"] = -ENOENT;
    std::unique_ptr<CaptureFilter> filter;
    EXPECT_EQ(moniker->BindToObject(filter), kDeviceGone);
    EXPECT_FALSE(filter);
}

TEST_F(DiscoveryTest, UsbfsIsOpenedOnlyForWhatUvcvideoCannotCarry) {
    auto ptz = PtzCamera();
    machine->Plug(ptz, 0, 1, "PTZ");
    BoundCamera camera = Bind(0);
    ASSERT_TRUE(camera.filter);
    EXPECT_EQ(camera.Send(kAmp, ProcAmpId::Brightness, 10, kFlagsManual), kOk);
    EXPECT_EQ(camera.Send(kCam, CameraControlId::PanRelative, 4, kFlagsRelative), kOk);
    EXPECT_EQ(machine->OpenedCount(machine->UsbfsPathOf(*ptz)), 0);
    EXPECT_EQ(camera.Send(kCam, CameraControlId::Roll, 8, kFlagsRelative), kOk);
    EXPECT_EQ(camera.Send(kCam, CameraControlId::Roll, 0, kFlagsRelative), kOk);
    EXPECT_EQ(machine->OpenedCount(machine->UsbfsPathOf(*ptz)), 1) << "opened once, then kept";
    EXPECT_EQ(machine->openFlags[machine->UsbfsPathOf(*ptz)], O_RDWR | O_CLOEXEC);
}

}  // namespace
}  // namespace fake
