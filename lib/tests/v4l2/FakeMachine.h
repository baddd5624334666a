// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A machine for the V4L2 backend to run on: a sysfs tree and a /proc in a
// temporary directory, and the system calls of its device nodes: uvcvideo
// capture and metadata nodes, nodes of other drivers, and usbfs nodes that
// refuse class requests to an interface uvcvideo holds, as usbfs does, and
// can take that interface from uvcvideo and give it back, which makes the
// camera's video nodes anew. Files outside /dev are the real files of the
// tree.
#pragma once

#include <sys/types.h>

#include <list>
#include <map>
#include <memory>
#include <set>
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
    std::string ProcRoot() const { return root_ + "/proc"; }

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
    std::string InterfaceDirOf(const FakeUvcCamera& camera) const;

    // Another program with video node `node` open. Seen in /proc when it
    // runs as our user, counted by uvcvideo when the node is a capture node,
    // owning the capture queue when it streams. Returns its process id.
    struct Holder {
        bool sameUser = true;
        bool streaming = false;
    };
    int Hold(unsigned node, Holder how);
    void LetGo(int pid);

    // The next time uvcvideo binds `camera` it makes its nodes with these
    // numbers (another device took the old ones meanwhile), and they stay
    // root's alone, refusing us with EACCES, for `lockedPauses` pauses
    // (udev not yet done with them).
    void RenumberOnRebind(const FakeUvcCamera& camera, unsigned captureNode, unsigned metadataNode,
                          int lockedPauses = 0);

    // The backend over this machine.
    std::unique_ptr<lumetra::platform::Backend> Backend(std::shared_ptr<FakeMachine> self);

    // Observations and faults.
    std::map<std::string, int> openErrors;     // path -> -errno its open answers
    std::map<std::string, int> listErrors;     // directory -> -errno listing it answers
    std::map<unsigned long, int> usbfsErrors;  // usbfs request code -> -errno it answers
    std::vector<std::string> openedPaths;
    std::map<std::string, int> openFlags;  // last flags each path was opened with
    std::vector<unsigned long> ioctls;     // every request code asked for, any node
    int pauses = 0;
    int OpenDescriptors() const { return static_cast<int>(files_.size()); }
    int OpenedCount(const std::string& path) const;
    // How often uvcvideo let go of `camera`'s interface, and bound it again.
    int Unbinds(const FakeUvcCamera& camera) const;
    int Binds(const FakeUvcCamera& camera) const;
    // Whether uvcvideo holds the camera's interface now.
    bool DriverBound(const FakeUvcCamera& camera) const;

    int Open(const std::string& path, int flags) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int Close(int fd) override;
    ssize_t Read(int fd, void* buffer, size_t length) override;
    int ReadLink(const std::string& path, std::string& target) override;
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override;
    int DeviceNumberOf(const std::string& path, uint64_t& number) override;
    void Pause(unsigned milliseconds) override;

    static constexpr int kOwnPid = 4242;

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
        bool stale = false;  // its node was unregistered under it
    };
    // A plugged uvcvideo camera and its interface.
    struct Plugged {
        std::shared_ptr<FakeUvcCamera> camera;
        std::shared_ptr<FakeUvcDriver> driver;
        std::string name;
        std::string interfaceDir;
        std::string usbfsPath;
        unsigned captureNode = 0;
        unsigned metadataNode = 0;
        bool bound = true;
        int claimedBy = -1;  // usbfs descriptor that claimed the interface
        int unbinds = 0;
        int binds = 0;
        unsigned nextCapture = 0, nextMetadata = 0;
        bool renumber = false;
        int lockedPauses = 0;
        std::set<std::string> stalePaths;  // nodes of earlier bindings
    };
    struct HeldNode {
        std::string path;
        bool sameUser;
        bool streaming;
        bool stale = false;
    };

    std::string MakeUsbDevice(uint16_t vendorId, uint16_t productId, const std::string& descriptors,
                              uint8_t interfaceNumber, std::string& interfaceDir);
    void MakeNodeDir(const std::string& parentDir, const std::string& parentName, unsigned node,
                     const std::string& name);
    void RemoveNodeDir(const std::string& parentDir, unsigned node);
    void BindDriver(Plugged& plugged);
    void UnbindDriver(Plugged& plugged);
    void UpdateDriverCount(const Plugged& plugged);
    Plugged* PluggedOf(const FakeUvcCamera& camera);
    const Plugged* PluggedOf(const FakeUvcCamera& camera) const;
    Plugged* PluggedAtUsbfs(const std::string& path);
    int VideoIoctl(const DeviceNode& node, unsigned long request, void* argument);
    int UsbfsIoctl(int fd, Plugged& plugged, unsigned long request, void* argument);
    void AddProcFile(int pid, int fd, const std::string& target);
    void RemoveProcFile(int pid, int fd);

    std::string root_;
    unsigned nextDeviceNumber_ = 2;
    std::map<std::string, DeviceNode> videoNodes_;
    std::list<Plugged> plugged_;
    std::map<std::string, std::shared_ptr<FakeUvcCamera>> usbfsNodes_;
    std::map<int, OpenFile> files_;
    std::map<int, HeldNode> holders_;
    std::map<std::string, int> lockedUntil_;  // node path -> pauses before udev lets us in
    int nextFd_ = 1000;
    int nextPid_ = 5000;
};

}  // namespace fake
