// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A camera that is also a microphone stalls every class request addressed
// to the device. Its own commands then go to its interface, which uvcvideo
// lends for the request, but only while no other program has the camera:
// lending it destroys the video nodes.
#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/usbdevice_fs.h>

#include <functional>

#include "V4l2TestSupport.h"
#include "lumetra/BaseDevice.h"

namespace fake {
namespace {

using namespace lumetra::platform;

constexpr uint8_t CT = 3;
constexpr uint8_t PU = 5;
const Bytes kPreset3 = {0x67, 0x00};

class RefusingCameraTest : public V4l2Test {
protected:
    void SetUp() override {
        camera = PtzCamera(0x0000, 0x7588);
        camera->refusesDeviceRecipient = true;
        camera->interfaceNumber = 2;  // the microphone's interfaces come first
    }
    void Start() {
        machine->Plug(camera, 0, 1, "PTZ with microphone");
        bound = Bind(0);
        ASSERT_TRUE(bound.filter);
    }
    HResult PresetCall3() { return bound.Send(kCam, CameraControlId::Roll, 103, kFlagsAbsolute); }
    HResult Brightness(int32_t value) { return bound.Send(kAmp, ProcAmpId::Brightness, value, kFlagsManual); }

    std::shared_ptr<FakeUvcCamera> camera;
    BoundCamera bound;
};

TEST_F(RefusingCameraTest, TheCommandGoesToTheLentInterfaceAndTheStallIsPaidOncePerCamera) {
    Start();
    ASSERT_EQ(PresetCall3(), kOk);
    EXPECT_EQ(camera->refusedRequests, 2)
        << "the command, and the GET_INFO that tells a refused road from a refused value";
    EXPECT_EQ(machine->Unbinds(*camera), 1);
    EXPECT_EQ(machine->Binds(*camera), 1);
    EXPECT_TRUE(machine->DriverBound(*camera));
    EXPECT_EQ(Brightness(7), kOk) << "the video node is bound again";
    ASSERT_EQ(bound.Send(kCam, CameraControlId::Roll, 5, kFlagsRelative), kOk);
    EXPECT_EQ(SetsReceived(*camera), (std::vector<Wire>{{kViaDriver, CT, UVC_CT_ROLL_ABSOLUTE_CONTROL, kPreset3},
                                                        {kViaDriver, PU, UVC_PU_BRIGHTNESS_CONTROL, {0x07, 0x00}},
                                                        {kViaDriver, CT, UVC_CT_ROLL_ABSOLUTE_CONTROL, {0x05, 0x00}}}));
    EXPECT_EQ(machine->Unbinds(*camera), 2);

    // Another binding of the same process (the panel reopening the camera)
    // remembers the road; a new process learns it again.
    bound = BoundCamera{};
    bound = Bind(0);
    ASSERT_EQ(PresetCall3(), kOk);
    EXPECT_EQ(camera->refusedRequests, 2);
    bound = BoundCamera{};
    backend = machine->Backend(machine);
    bound = Bind(0);
    ASSERT_EQ(PresetCall3(), kOk);
    EXPECT_EQ(camera->refusedRequests, 4);
    EXPECT_EQ(machine->OpenDescriptors(), 2) << "the video node and the usbfs node, nothing leaked";
}

TEST_F(RefusingCameraTest, ACameraThatTakesTheDeviceRoadNeverLosesItsDriver) {
    camera->refusesDeviceRecipient = false;
    // Its first command is one it refuses: a stall of the value, which
    // GET_INFO on the same road tells from a road that is closed.
    camera->Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).setCur = false;
    Start();
    EXPECT_EQ(PresetCall3(), kIoError);
    camera->Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).setCur = true;
    ASSERT_EQ(PresetCall3(), kOk);
    ASSERT_EQ(bound.Send(kCam, CameraControlId::FocusRelative, 1, kFlagsRelative), kOk);
    camera->Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).setCur = false;
    EXPECT_EQ(PresetCall3(), kIoError);
    EXPECT_EQ(machine->Unbinds(*camera), 0);
    int asked = 0;
    for (const ReceivedRequest& r : camera->received) asked += r.request == UVC_GET_INFO;
    EXPECT_EQ(asked, 1) << "the road is asked once";
    const Wire preset{kViaUsbfs, CT, UVC_CT_ROLL_ABSOLUTE_CONTROL, kPreset3};
    EXPECT_EQ(
        SetsReceived(*camera),
        (std::vector<Wire>{preset, preset, {kViaUsbfs, CT, UVC_CT_FOCUS_RELATIVE_CONTROL, {0x01, 0x01}}, preset}));
}

// Whoever else has the camera keeps it: the command fails as busy, the
// driver stays, the camera receives nothing, and the video node still works.
TEST_F(RefusingCameraTest, AnotherProgramHoldingTheCameraIsNotDisturbed) {
    struct Case {
        const char* what;
        unsigned node;
        FakeMachine::Holder how;
    };
    const Case cases[] = {
        {"our user, capture node open and idle (seen in /proc)", 0, {true, false}},
        {"our user, metadata node open (seen in /proc)", 1, {true, false}},
        {"another user, capture node open and idle (uvcvideo's count)", 0, {false, false}},
        {"another user, streaming (the queue is its)", 0, {false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine = std::make_shared<FakeMachine>();
        backend = machine->Backend(machine);
        SetUp();
        Start();
        const int holder = machine->Hold(c.node, c.how);
        EXPECT_EQ(PresetCall3(), kBusy);
        EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, 1, kFlagsRelative), kOk)
            << "a zoom goes by position, which uvcvideo carries and can stop";
        EXPECT_EQ(machine->Unbinds(*camera), 0);
        EXPECT_EQ(Brightness(3), kOk);
        EXPECT_EQ(SetsReceived(*camera),
                  (std::vector<Wire>{{kViaDriver, CT, UVC_CT_ZOOM_ABSOLUTE_CONTROL, {100, 0x00}},
                                     {kViaDriver, PU, UVC_PU_BRIGHTNESS_CONTROL, {0x03, 0x00}}}));
        machine->LetGo(holder);
        EXPECT_EQ(PresetCall3(), kOk) << "free again";
        EXPECT_EQ(machine->Unbinds(*camera), 1);
    }
}

// Moves never take the interface from uvcvideo, free or while another
// program streams: they keep to what it carries (the slowest speed where
// the kernel clamps one, the absolute lens controls for zoom and focus).
// The commands still go by the lent interface.
TEST_F(RefusingCameraTest, MovesKeepToWhatUvcvideoCarries) {
    using namespace CameraControlId;
    constexpr uint8_t kPanTilt = UVC_CT_PANTILT_RELATIVE_CONTROL, kZoom = UVC_CT_ZOOM_ABSOLUTE_CONTROL,
                      kFocus = UVC_CT_FOCUS_ABSOLUTE_CONTROL;
    struct Move {
        const char* what;
        uint32_t property;
        int32_t value;
        uint8_t selector;
        Bytes received;
    };
    const Move moves[] = {
        {"pan left, at the slowest speed that way", PanRelative, -6, kPanTilt, {0xFF, 0x01, 0x00, 0x00}},
        {"tilt down as well", TiltRelative, -5, kPanTilt, {0xFF, 0x01, 0xFF, 0x01}},
        {"pan right, tilt kept", PanRelative, 9, kPanTilt, {0x01, 0x09, 0xFF, 0x01}},
        {"both stopped", TiltRelative, 0, kPanTilt, {0x01, 0x09, 0x00, 0x00}},
        {"zoom out: towards the wide end", ZoomRelative, -1, kZoom, {0x00, 0x00}},
        {"zoom stop: where the lens is", ZoomRelative, 0, kZoom, {0x00, 0x00}},
        {"zoom in: towards the telephoto end", ZoomRelative, 1, kZoom, {100, 0x00}},
        {"focus far", FocusRelative, -1, kFocus, {0xFF, 0x03}},
    };
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "while another program streams" : "free");
        machine = std::make_shared<FakeMachine>();
        backend = machine->Backend(machine);
        SetUp();
        Start();
        const int holder = held ? machine->Hold(0, {false, true}) : -1;
        std::vector<Wire> wanted;
        for (const Move& move : moves) {
            EXPECT_EQ(bound.Send(kCam, move.property, move.value, kFlagsRelative), kOk) << move.what;
            wanted.push_back({kViaDriver, CT, move.selector, move.received});
        }
        EXPECT_EQ(SetsReceived(*camera), wanted);
        EXPECT_EQ(machine->Unbinds(*camera), 0);
        if (held) machine->LetGo(holder);
        EXPECT_EQ(PresetCall3(), kOk);
        EXPECT_EQ(machine->Unbinds(*camera), 1) << "the command channel lends it";
    }
}

TEST_F(RefusingCameraTest, AnotherDeviceOfThisProcessHoldsTheCameraToo) {
    Start();
    BoundCamera other = Bind(0);
    ASSERT_TRUE(other.filter);
    EXPECT_EQ(PresetCall3(), kBusy);
    EXPECT_EQ(machine->Unbinds(*camera), 0);
    other = BoundCamera{};
    EXPECT_EQ(PresetCall3(), kOk);
}

// Failures on the way: each ends in its own result, with the driver bound
// again wherever it was taken, and no wait for a node that cannot come.
TEST_F(RefusingCameraTest, FailuresOnTheWay) {
    struct Case {
        const char* what;
        std::function<void(FakeMachine&, FakeUvcCamera&)> prepare;
        HResult expected;
        int unbinds;
        bool videoWorksAfter;
    };
    const Case cases[] = {
        {"no access to the usbfs node (EACCES: no udev rule)",
         [](FakeMachine& m, FakeUvcCamera& c) { m.openErrors[m.UsbfsPathOf(c)] = -EACCES; }, kAccessDenied, 0, true},
        {"another program claimed the interface through usbfs (EBUSY)",
         [](FakeMachine& m, FakeUvcCamera&) { m.usbfsErrors[USBDEVFS_DISCONNECT_CLAIM] = -EBUSY; }, kBusy, 0, true},
        {"the camera does not answer the request (ETIMEDOUT)",
         [](FakeMachine&, FakeUvcCamera& c) { c.Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).failWith = -ETIMEDOUT; },
         kTimeout, 1, true},
        {"the camera refuses the command on its interface too",
         [](FakeMachine&, FakeUvcCamera& c) { c.Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).setCur = false; }, kIoError, 1,
         true},
        {"unplugged in the middle of the request (ENODEV)",
         [](FakeMachine&, FakeUvcCamera& c) { c.unplugWhenInterfaceTaken = true; }, kDeviceGone, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine = std::make_shared<FakeMachine>();
        backend = machine->Backend(machine);
        SetUp();
        machine->Plug(camera, 0, 1, "PTZ with microphone");
        c.prepare(*machine, *camera);
        bound = Bind(0);
        ASSERT_TRUE(bound.filter);
        EXPECT_EQ(PresetCall3(), c.expected);
        EXPECT_EQ(machine->Unbinds(*camera), c.unbinds);
        EXPECT_EQ(machine->pauses, 0) << "no node to wait for";
        EXPECT_EQ(Brightness(1), c.videoWorksAfter ? kOk : kDeviceGone);
        if (c.videoWorksAfter) {
            EXPECT_TRUE(machine->DriverBound(*camera));
        }
    }
}

TEST_F(RefusingCameraTest, TheNodeComesBackUnderAnotherNumberOnceUdevLetsUsIn) {
    Start();
    machine->RenumberOnRebind(*camera, 7, 8, 3);
    ASSERT_EQ(PresetCall3(), kOk);
    EXPECT_GE(machine->pauses, 3);
    EXPECT_EQ(Brightness(9), kOk);
    EXPECT_EQ(SetsReceived(*camera).back(), (Wire{kViaDriver, PU, UVC_PU_BRIGHTNESS_CONTROL, {0x09, 0x00}}));
    EXPECT_EQ(machine->OpenDescriptors(), 2);
}

// The limit of what can be seen: another user's program with the metadata
// node open. The command still reaches the camera, but uvcvideo comes back
// without nodes until that program lets go; the wait for them is bounded.
TEST_F(RefusingCameraTest, AHolderNoOneCanSeeCostsTheNodesButNothingHangs) {
    Start();
    machine->Hold(1, {false, false});
    EXPECT_EQ(PresetCall3(), kOk);
    EXPECT_EQ(machine->Binds(*camera), 1);
    EXPECT_GT(machine->pauses, 0);
    EXPECT_LE(machine->pauses, 300);
    EXPECT_EQ(Brightness(1), kDeviceGone);
}

// What the panel learns through the library when a command fails.
TEST_F(RefusingCameraTest, TheLibraryTellsWhyACommandDidNotReachTheCamera) {
    struct Case {
        const char* what;
        std::function<void(FakeMachine&, FakeUvcCamera&)> prepare;
        bool result;
        RequestFault fault;
    };
    const Case cases[] = {
        {"free", [](FakeMachine&, FakeUvcCamera&) {}, true, RequestFault::None},
        {"held by a program streaming",
         [](FakeMachine& m, FakeUvcCamera&) {
             m.Hold(0, {false, true});
         },
         false, RequestFault::CameraBusy},
        {"no udev rule", [](FakeMachine& m, FakeUvcCamera& c) { m.openErrors[m.UsbfsPathOf(c)] = -EACCES; }, false,
         RequestFault::NoPermission},
        {"no answer",
         [](FakeMachine&, FakeUvcCamera& c) { c.Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).failWith = -ETIMEDOUT; }, false,
         RequestFault::NoAnswer},
        {"the camera refuses the preset",
         [](FakeMachine&, FakeUvcCamera& c) { c.Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).setCur = false; }, false,
         RequestFault::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        machine = std::make_shared<FakeMachine>();
        SetUp();
        machine->Plug(camera, 0, 1, "PTZ with microphone");
        c.prepare(*machine, *camera);
        SetBackendForTesting(machine->Backend(machine));
        BaseDevice::Initial();
        BaseDevice* device = BaseDevice::CreateDevice(USB);
        ASSERT_TRUE(device->Open("0", 1));
        EXPECT_EQ(device->PresetCall(3), c.result);
        EXPECT_EQ(device->LastRequestFault(), c.fault);
        EXPECT_TRUE(device->SetBrightness(2));
        EXPECT_EQ(device->LastRequestFault(), RequestFault::None) << "a request that reached the camera";
        device->Close();
        BaseDevice::DeleteDevice(device);
        SetBackendForTesting(nullptr);
        BaseDevice::Release();
    }
}

}  // namespace
}  // namespace fake
