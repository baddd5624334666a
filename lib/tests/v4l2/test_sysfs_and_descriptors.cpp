// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Reading what the kernel says about video nodes and USB devices: sysfs
// attributes and raw descriptors, both outside input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "V4l2TestSupport.h"
#include "platform/v4l2/SysfsVideoNodes.h"
#include "platform/v4l2/UsbDescriptors.h"
#include "platform/v4l2/V4l2Backend.h"

namespace fake {
namespace {

using lumetra::platform::kFalse;
using lumetra::platform::kOk;
using lumetra::platform::v4l2::FindCameraTerminal;
using lumetra::platform::v4l2::ListVideoNodes;
using lumetra::platform::v4l2::ReadUsbAddress;
using lumetra::platform::v4l2::UsbAddress;
using lumetra::platform::v4l2::VideoNode;
using lumetra::platform::v4l2::VideoNodeNumber;

namespace fs = std::filesystem;

class SysfsTest : public V4l2Test {
protected:
    static void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }
    // A USB interface and its device, as sysfs shows them.
    static void MakeUsbInterface(const fs::path& interfaceDir, uint16_t productId) {
        fs::create_directories(interfaceDir);
        Write(interfaceDir / "bInterfaceNumber", "00\n");
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04x\n", productId);
        Write(interfaceDir.parent_path() / "idVendor", "1234\n");
        Write(interfaceDir.parent_path() / "idProduct", hex);
    }
    // videoN under root/devices/virtual, its class entry a relative link to
    // it as the kernel makes them, and its `device` link to `deviceTarget`.
    static void MakeNode(const fs::path& root, unsigned number, const std::string& deviceTarget) {
        const std::string name = "video" + std::to_string(number);
        const fs::path dir = root / "devices" / "virtual" / "video4linux" / name;
        fs::create_directories(dir);
        Write(dir / "name", name + "\n");
        fs::create_symlink(deviceTarget, dir / "device");
        fs::create_directories(root / "class" / "video4linux");
        fs::create_symlink("../../devices/virtual/video4linux/" + name, root / "class" / "video4linux" / name);
    }
    std::vector<VideoNode> ListOrFail(const std::string& root) {
        std::vector<VideoNode> nodes;
        EXPECT_EQ(ListVideoNodes(root, *machine, nodes), kOk) << root;
        return nodes;
    }
};

// Runs a test from another working directory, and goes back.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(previous_); }

private:
    fs::path previous_;
};

TEST_F(SysfsTest, NodesComeInNumericOrderWithTheirUsbParents) {
    auto first = PtzCamera(0x0000, 0x8888);
    first->interfaceNumber = 2;
    machine->Plug(first, 10, 11, "PTZ Pro");
    machine->AddPlatformNode(2, "vivid");
    machine->Plug(PtzCamera(0x046d, 0x0825), 1, 9, "Webcam C270");
    // The class entries are relative links, as in /sys/class/video4linux.
    const fs::path entry = fs::path(machine->SysfsRoot()) / "class" / "video4linux" / "video10";
    ASSERT_TRUE(fs::is_symlink(entry));
    ASSERT_TRUE(fs::read_symlink(entry).is_relative());

    std::vector<VideoNode> nodes = ListOrFail(machine->SysfsRoot());
    std::vector<unsigned> numbers;
    for (const VideoNode& node : nodes) numbers.push_back(node.number);
    EXPECT_EQ(numbers, (std::vector<unsigned>{1, 2, 9, 10, 11}));

    const VideoNode& ptz = nodes[3];
    EXPECT_EQ(ptz.name, "PTZ Pro");
    ASSERT_TRUE(ptz.usb.has_value());
    EXPECT_EQ(ptz.usb->vendorId, 0x0000);
    EXPECT_EQ(ptz.usb->productId, 0x8888);
    EXPECT_EQ(ptz.usb->interfaceNumber, 2);
    EXPECT_EQ(ptz.usb->interfaceName, "1-2:1.2");
    EXPECT_EQ(fs::canonical(ptz.usb->deviceDirectory),
              fs::canonical(fs::path(machine->SysfsRoot()) / "devices/pci0000:00/0000:00:14.0/usb1/1-2"));
    EXPECT_EQ(ptz.DevicePath(), "/dev/video10");
    EXPECT_EQ(nodes[0].usb->productId, 0x0825);
    EXPECT_EQ(nodes[0].usb->interfaceName, "1-3:1.0");
    EXPECT_FALSE(nodes[1].usb.has_value()) << "vivid is not on USB";

    // Where the device sits on its bus is read only when asked for.
    const UsbAddress address = ReadUsbAddress(*machine, *ptz.usb);
    EXPECT_EQ(address.busNumber, 1u);
    EXPECT_EQ(address.deviceNumber, 2u);
    EXPECT_EQ(address.configurationValue, 1);
    EXPECT_EQ(address.UsbfsPath(), machine->UsbfsPathOf(*first));
    fs::remove(fs::path(ptz.usb->deviceDirectory) / "devnum");
    EXPECT_EQ(ReadUsbAddress(*machine, *ptz.usb).UsbfsPath(), "") << "no devnum, no usbfs node";
}

TEST_F(SysfsTest, TheRootMayBeALinkOrRelative) {
    auto camera = PtzCamera(0x0000, 0x8888);
    machine->Plug(camera, 0, 1, "PTZ");
    machine->AddPlatformNode(2, "vivid");
    const fs::path root = machine->SysfsRoot();
    const fs::path alias = root / "alias";
    fs::create_directory_symlink(root, alias);
    WorkingDirectory inParent(root.parent_path());

    for (const std::string& given : {alias.string(), root.filename().string(), "./" + root.filename().string() + "/"}) {
        SCOPED_TRACE(given);
        std::vector<VideoNode> nodes = ListOrFail(given);
        ASSERT_EQ(nodes.size(), 3u);
        ASSERT_TRUE(nodes[0].usb.has_value());
        EXPECT_EQ(nodes[0].usb->productId, 0x8888);
        EXPECT_FALSE(nodes[2].usb.has_value());
        EXPECT_EQ(ReadUsbAddress(*machine, *nodes[0].usb).UsbfsPath(), machine->UsbfsPathOf(*camera));
    }

    // A camera found through the link is bound through it: its descriptors
    // give the camera terminal that carries roll through usbfs.
    backend = lumetra::platform::v4l2::CreateV4l2Backend({alias.string(), machine});
    BoundCamera bound = Bind(0);
    ASSERT_TRUE(bound.filter);
    EXPECT_EQ(bound.Send(kCam, lumetra::platform::CameraControlId::Roll, 8, kFlagsRelative), kOk);
    EXPECT_EQ(machine->OpenedCount(machine->UsbfsPathOf(*camera)), 1);
}

TEST_F(SysfsTest, LinksThatLeadNowhereOrOutOfTheTreeAreNotUsb) {
    // The tree under test is one level down; beside it, outside, lies a USB
    // interface that looks real.
    const fs::path root = fs::path(machine->SysfsRoot()) / "sys";
    MakeUsbInterface(root / "devices/usb1/1-1/1-1:1.0", 0x0001);
    fs::create_directories(root / "devices/platform/vivid.1");
    const fs::path outside = fs::path(machine->SysfsRoot()) / "elsewhere/1-1/1-1:1.0";
    MakeUsbInterface(outside, 0x0666);

    MakeNode(root, 0, "../../../usb1/1-1/1-1:1.0");                  // on USB
    MakeNode(root, 1, "../../../platform/vivid.1");                  // a platform device
    MakeNode(root, 2, "../../../usb1/1-9/1-9:1.0");                  // dangling
    MakeNode(root, 3, "device");                                     // loops on itself
    MakeNode(root, 5, "../../../../../elsewhere/1-1/1-1:1.0");       // climbs out of the root
    MakeNode(root, 6, outside.string());                             // absolute, out of the tree
    MakeNode(root, 7, "../../../../../../../../../../../../../..");  // far above everything
    // A class entry that loops, and one that is the node's directory itself
    // rather than a link to it.
    fs::create_symlink("video4", root / "class/video4linux/video4");
    fs::create_directories(root / "class/video4linux/video9");
    fs::create_symlink("../../../devices/usb1/1-1/1-1:1.0", root / "class/video4linux/video9/device");

    std::vector<VideoNode> nodes = ListOrFail(root.string());
    ASSERT_EQ(nodes.size(), 9u);
    for (const VideoNode& node : nodes) {
        const bool usb = node.number == 0 || node.number == 9;
        EXPECT_EQ(node.usb.has_value(), usb) << "video" << node.number;
        if (node.usb) {
            EXPECT_EQ(node.usb->productId, 0x0001) << "video" << node.number;
        }
    }
    EXPECT_EQ(nodes[0].name, "video0");
    EXPECT_EQ(nodes[4].name, "") << "a looping entry has no name to read";
    for (const std::string& path : machine->openedPaths)
        EXPECT_EQ(path.find("elsewhere"), std::string::npos) << path << " is outside the tree";
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
    const Bytes header = {9,    0x02, static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8), 1, value, 0,
                          0x80, 50};
    return std::string(header.begin(), header.end()) + body;
}
const Bytes kDeviceDescriptor = {18, 0x01, 0, 2, 0xEF, 2, 1, 64, 0, 0, 0x88, 0x88, 0, 1, 1, 2, 0, 2};
const Bytes kInputTerminalOfOtherType = {8, 0x24, 0x02, 7, 0x01, 0x04, 0, 0};  // a composite connector

TEST(CameraTerminal, IsFoundInTheRightInterfaceOfTheActiveConfiguration) {
    // Configuration 1 has the camera function on interface 0 (terminal 4)
    // and a second one on interface 2 (terminal 9); configuration 2 differs.
    const std::string config1 = Configuration(
        1, Cat({Interface(0, 0x01), kInputTerminalOfOtherType, CameraTerminalDescriptor(4, {0x00, 0x3A, 0x02}),
                Interface(1, 0x02), CameraTerminalDescriptor(99, {0xFF, 0xFF, 0xFF}), Interface(2, 0x01),
                CameraTerminalDescriptor(9, {0x0E})}));
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
