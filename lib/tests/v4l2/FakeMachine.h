// A machine for the V4L2 backend to run on: a sysfs tree in a temporary
// directory, and the system calls of its device nodes: uvcvideo capture and
// metadata nodes, nodes of other drivers, and usbfs nodes that refuse class
// requests to an interface uvcvideo holds, as usbfs does. Files outside /dev
// are the real files of the tree.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeUvcCamera.h"
#include "FakeUvcDriver.h"
#include "platform/Platform.h"
#include "platform/v4l2/Syscalls.h"

namespace fake {

class FakeMachine final : public lumetra::platform::v4l2::Syscalls {
public:
    FakeMachine();
    ~FakeMachine() override;
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    const std::string& SysfsRoot() const { return root_; }

    // Plugs `camera` in: a USB device with its VideoControl interface, a
    // capture node and a metadata node. Returns the camera's driver model.
    std::shared_ptr<FakeUvcDriver> Plug(std::shared_ptr<FakeUvcCamera> camera, unsigned captureNode,
                                        unsigned metadataNode, const std::string& name);
    // A USB video node driven by another driver (say gspca).
    void AddOtherUsbNode(unsigned node, uint16_t vendorId, uint16_t productId, const std::string& name,
                         const std::string& driver);
    // A node that is not on USB at all (say vivid).
    void AddPlatformNode(unsigned node, const std::string& name);
    // The camera is gone: its nodes answer ENODEV, and reopening fails.
    void Unplug(const FakeUvcCamera& camera);
    std::string UsbfsPathOf(const FakeUvcCamera& camera) const;

    // The backend over this machine.
    std::unique_ptr<lumetra::platform::Backend> Backend(std::shared_ptr<FakeMachine> self);

    // Observations and faults.
    std::map<std::string, int> openErrors;  // path -> -errno its open answers
    std::vector<std::string> openedPaths;
    std::map<std::string, int> openFlags;   // last flags each path was opened with
    std::vector<unsigned long> ioctls;      // every request code asked for, any node
    int OpenDescriptors() const { return static_cast<int>(files_.size()); }
    int OpenedCount(const std::string& path) const;

    int Open(const std::string& path, int flags) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Close(int fd) override;
    ssize_t Read(int fd, void* buffer, size_t length) override;
    int ReadLink(const std::string& path, std::string& target) override;

private:
    enum class NodeKind { UvcCapture, UvcMetadata, OtherDriver };
    struct DeviceNode {
        NodeKind kind;
        std::shared_ptr<FakeUvcCamera> camera;  // null for other drivers
        std::shared_ptr<FakeUvcDriver> driver;
        std::string driverName;
    };
    struct OpenFile {
        std::string path;
        int realFd = -1;
        size_t offset = 0;
    };
    std::string MakeUsbDevice(uint16_t vendorId, uint16_t productId, const std::string& descriptors,
                              uint8_t interfaceNumber, std::string& interfaceDir);
    void MakeNodeDir(const std::string& parentDir, const std::string& parentName, unsigned node,
                     const std::string& name);
    int VideoIoctl(const DeviceNode& node, unsigned long request, void* argument);
    int UsbfsIoctl(FakeUvcCamera& camera, unsigned long request, void* argument);

    std::string root_;
    unsigned nextDeviceNumber_ = 2;
    std::map<std::string, DeviceNode> videoNodes_;
    std::map<std::string, std::shared_ptr<FakeUvcCamera>> usbfsNodes_;
    std::map<int, OpenFile> files_;
    int nextFd_ = 1000;
};

}  // namespace fake
