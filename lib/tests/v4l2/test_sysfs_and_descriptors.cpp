// Reading what the kernel says about video nodes and USB devices: sysfs
// attributes and raw descriptors, both outside input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "V4l2TestSupport.h"
#include "platform/v4l2/SysfsVideoNodes.h"
#include "platform/v4l2/UsbDescriptors.h"

namespace fake {
namespace {

using lumetra::platform::kFalse;
using lumetra::platform::kOk;
using lumetra::platform::v4l2::FindCameraTerminal;
using lumetra::platform::v4l2::ListVideoNodes;
using lumetra::platform::v4l2::VideoNode;
using lumetra::platform::v4l2::VideoNodeNumber;

class SysfsTest : public V4l2Test {};

TEST_F(SysfsTest, NodesComeInNumericOrderWithTheirUsbParents) {
    auto first = PtzCamera(0x0000, 0x8888);
    first->interfaceNumber = 2;
    machine->Plug(first, 10, 11, "PTZ Pro");
    machine->AddPlatformNode(2, "vivid");
    machine->Plug(PtzCamera(0x046d, 0x0825), 1, 9, "Webcam C270");

    std::vector<VideoNode> nodes;
    ASSERT_EQ(ListVideoNodes(machine->SysfsRoot(), *machine, nodes), kOk);
    std::vector<unsigned> numbers;
    for (const VideoNode& node : nodes) numbers.push_back(node.number);
    EXPECT_EQ(numbers, (std::vector<unsigned>{1, 2, 9, 10, 11}));

    const VideoNode& ptz = nodes[3];
    EXPECT_EQ(ptz.name, "PTZ Pro");
    ASSERT_TRUE(ptz.usb.has_value());
    EXPECT_EQ(ptz.usb->vendorId, 0x0000);
    EXPECT_EQ(ptz.usb->productId, 0x8888);
    EXPECT_EQ(ptz.usb->interfaceNumber, 2);
    EXPECT_EQ(ptz.usb->busNumber, 1u);
    EXPECT_EQ(ptz.usb->configurationValue, 1);
    EXPECT_EQ(ptz.DevicePath(), "/dev/video10");
    EXPECT_EQ(ptz.UsbfsPath(), machine->UsbfsPathOf(*first));
    EXPECT_EQ(nodes[0].usb->productId, 0x0825);
    EXPECT_FALSE(nodes[1].usb.has_value()) << "vivid is not on USB";
    EXPECT_TRUE(nodes[1].UsbfsPath().empty());
}

TEST_F(SysfsTest, NoNodesAtAllIsAnEmptyCategory) {
    std::vector<VideoNode> nodes;
    EXPECT_EQ(ListVideoNodes(machine->SysfsRoot(), *machine, nodes), kFalse) << "empty class directory";
    EXPECT_EQ(ListVideoNodes(machine->SysfsRoot() + "/nowhere", *machine, nodes), kFalse) << "no videodev";
    EXPECT_TRUE(nodes.empty());
}

TEST_F(SysfsTest, MalformedUsbAttributesMakeANodeNotUsb) {
    machine->Plug(PtzCamera(), 0, 1, "PTZ");
    const auto usbDir = std::filesystem::canonical(std::filesystem::path(machine->SysfsRoot()) / "class" /
                                                   "video4linux" / "video0" / "device" / "..");
    for (const char* bad : {"", "88888\n", "zz88\n", "-1\n"}) {
        std::ofstream(usbDir / "idProduct") << bad;
        std::vector<VideoNode> nodes;
        ASSERT_EQ(ListVideoNodes(machine->SysfsRoot(), *machine, nodes), kOk);
        EXPECT_FALSE(nodes[0].usb.has_value()) << "idProduct \"" << bad << "\"";
    }
}

TEST(VideoNodeNumber, AcceptsOnlyTheKernelsNames) {
    EXPECT_EQ(VideoNodeNumber("video0"), 0u);
    EXPECT_EQ(VideoNodeNumber("video63"), 63u);
    for (const char* name : {"video", "videoX", "video01", "video-1", "vbi0", "video4294967296", "radio0"})
        EXPECT_FALSE(VideoNodeNumber(name).has_value()) << name;
}

// ---- descriptors ----

std::string Cat(std::initializer_list<Bytes> parts) {
    std::string out;
    for (const Bytes& part : parts) out.append(part.begin(), part.end());
    return out;
}
Bytes Interface(uint8_t number, uint8_t subclass) { return {9, 0x04, number, 0, 0, 0x0E, subclass, 0, 0}; }
Bytes CameraTerminalDescriptor(uint8_t id, Bytes controls) {
    Bytes d = {static_cast<uint8_t>(15 + controls.size()), 0x24, 0x02, id, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0,
               static_cast<uint8_t>(controls.size())};
    for (uint8_t byte : controls) d.push_back(byte);
    return d;
}
std::string Configuration(uint8_t value, const std::string& body) {
    const size_t total = 9 + body.size();
    const Bytes header = {9, 0x02, static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8), 1, value, 0, 0x80, 50};
    return std::string(header.begin(), header.end()) + body;
}
const Bytes kDeviceDescriptor = {18, 0x01, 0, 2, 0xEF, 2, 1, 64, 0, 0, 0x88, 0x88, 0, 1, 1, 2, 0, 2};
const Bytes kInputTerminalOfOtherType = {8, 0x24, 0x02, 7, 0x01, 0x04, 0, 0};  // a composite connector

TEST(CameraTerminal, IsFoundInTheRightInterfaceOfTheActiveConfiguration) {
    // Configuration 1 has the camera function on interface 0 (terminal 4)
    // and a second one on interface 2 (terminal 9); configuration 2 differs.
    const std::string config1 =
        Configuration(1, Cat({Interface(0, 0x01), kInputTerminalOfOtherType, CameraTerminalDescriptor(4, {0x00, 0x3A, 0x02}),
                              Interface(1, 0x02), CameraTerminalDescriptor(99, {0xFF, 0xFF, 0xFF}),
                              Interface(2, 0x01), CameraTerminalDescriptor(9, {0x0E})}));
    const std::string config2 = Configuration(2, Cat({Interface(0, 0x01), CameraTerminalDescriptor(12, {0x01})}));
    const std::string all = std::string(kDeviceDescriptor.begin(), kDeviceDescriptor.end()) + config1 + config2;

    const auto first = FindCameraTerminal(all, 1, 0);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->terminalId, 4);
    EXPECT_TRUE(first->HasControl(13)) << "roll";
    EXPECT_TRUE(first->HasControl(12)) << "pan/tilt relative";
    EXPECT_TRUE(first->HasControl(17)) << "focus auto";
    EXPECT_FALSE(first->HasControl(6)) << "focus relative";

    EXPECT_EQ(FindCameraTerminal(all, 1, 2)->terminalId, 9);
    EXPECT_FALSE(FindCameraTerminal(all, 1, 2)->HasControl(13)) << "bControlSize 1 declares nothing past bit 7";
    EXPECT_FALSE(FindCameraTerminal(all, 1, 1).has_value()) << "a streaming interface has no camera terminal";
    EXPECT_EQ(FindCameraTerminal(all, 2, 0)->terminalId, 12);
    EXPECT_EQ(FindCameraTerminal(all, -1, 0)->terminalId, 4) << "unknown configuration: the first";
    EXPECT_FALSE(FindCameraTerminal(all, 3, 0).has_value());
}

TEST(CameraTerminal, LyingLengthsEndTheSearchInsteadOfReadingPastTheInput) {
    const std::string device(kDeviceDescriptor.begin(), kDeviceDescriptor.end());
    const Bytes terminal = CameraTerminalDescriptor(4, {0xFF, 0xFF, 0xFF});

    // bControlSize larger than the descriptor: only the bytes present count.
    Bytes shortControls = terminal;
    shortControls[14] = 200;
    shortControls.resize(16);
    shortControls[0] = 16;
    const auto cut = FindCameraTerminal(device + Configuration(1, Cat({Interface(0, 1), shortControls})), 1, 0);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->controlBytes, 1);
    EXPECT_FALSE(cut->HasControl(13));

    // A descriptor whose bLength is 0 or runs past the end.
    for (uint8_t length : {0, 1, 250}) {
        Bytes broken = Interface(0, 1);
        broken[0] = length;
        EXPECT_FALSE(FindCameraTerminal(device + Configuration(1, Cat({broken, terminal})), 1, 0).has_value())
            << "bLength " << int(length);
    }
    // wTotalLength below the header, or past the end of the input.
    std::string tiny = Configuration(1, Cat({Interface(0, 1), terminal}));
    tiny[2] = 4;
    tiny[3] = 0;
    EXPECT_FALSE(FindCameraTerminal(device + tiny, 1, 0).has_value());
    std::string huge = Configuration(1, Cat({Interface(0, 1), terminal}));
    huge[3] = static_cast<char>(0xFF);
    EXPECT_EQ(FindCameraTerminal(device + huge, 1, 0)->terminalId, 4) << "the input ends the configuration";
    // Truncated in the middle of the camera terminal.
    const std::string whole = device + Configuration(1, Cat({Interface(0, 1), terminal}));
    EXPECT_FALSE(FindCameraTerminal(whole.substr(0, whole.size() - 8), 1, 0).has_value());
    EXPECT_FALSE(FindCameraTerminal("", 1, 0).has_value());
    EXPECT_FALSE(FindCameraTerminal(std::string(1, '\x12'), 1, 0).has_value());
}

TEST(CameraTerminal, SurvivesMutatedInput) {
    // Every byte of a real descriptor set, flipped at random, many times;
    // the sanitizer build turns any read past the input into a failure.
    FakeUvcCamera camera(0x0000, 0x8888);
    AddTypicalPtzControls(camera);
    const std::string original = camera.Descriptors();
    ASSERT_EQ(FindCameraTerminal(original, 1, 0)->terminalId, camera.cameraTerminalId);
    std::mt19937 random(20240229);
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string mutated = original;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) mutated[random() % mutated.size()] = static_cast<char>(random() & 0xFF);
        if (random() % 8 == 0) mutated.resize(random() % mutated.size());
        // Exact-size copy so that reading one byte past the end is caught.
        const std::unique_ptr<char[]> exact(new char[mutated.size()]);
        std::copy(mutated.begin(), mutated.end(), exact.get());
        const auto terminal = FindCameraTerminal(std::string_view(exact.get(), mutated.size()), 1, 0);
        found += terminal.has_value();
    }
    EXPECT_GT(found, 0);
}

}  // namespace
}  // namespace fake
