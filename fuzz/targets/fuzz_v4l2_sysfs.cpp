// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The V4L2 backend on a machine that lies: a fixed sysfs tree of video nodes
// (two USB cameras, a metadata node, a node not on USB, one without a
// device) whose attributes, USB descriptors and driver answers all come from
// the input. Whatever they say, listing, reading the property bags, binding
// and sending requests stay within bounds, every descriptor opened is closed
// again, and a node is offered as a supported camera only for the USB ids
// sysfs gave it.
//
// Input: chunks separated by "\n%%\n": one per attribute in the order of
// kAttributes ("!" alone: the file is missing; chunks not given are missing),
// then the bytes that the driver and usbfs answer with, then the bytes that
// decide how file reads come back (piece sizes, failures).
#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BstrToString.h"
#include "Discovery.h"
#include "FuzzCheck.h"
#include "platform/KsProperties.h"
#include "platform/Platform.h"
#include "platform/v4l2/SysfsVideoNodes.h"
#include "platform/v4l2/V4l2Backend.h"

namespace fs = std::filesystem;
using namespace lumetra;
using namespace lumetra::platform;

namespace {

// The tree, made once per process. Attribute files exist only in the fake
// system calls; the directories and links are real, as sysfs's are.
struct Tree {
    std::string root;
    Tree() {
        char pattern[] = "/tmp/ptzdeck-fuzz-sysfs-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern) != nullptr);
        root = fs::canonical(pattern).string();
        for (const char* dir : {"devices/usb1/1-1/1-1:1.0", "devices/usb1/1-2/1-2:1.0", "devices/platform/vivid.0",
                                "class/video4linux/video0", "class/video4linux/video1", "class/video4linux/video2",
                                "class/video4linux/video10", "class/video4linux/video3", "class/video4linux/video01",
                                "class/video4linux/videos"})
            fs::create_directories(root + "/" + dir);
        const std::pair<const char*, const char*> links[] = {
            {"video0", "../../../devices/usb1/1-1/1-1:1.0"},
            {"video1", "../../../devices/usb1/1-1/1-1:1.0"},
            {"video2", "../../../devices/usb1/1-2/1-2:1.0"},
            {"video10", "../../../devices/platform/vivid.0"},
        };
        for (const auto& [node, target] : links)
            fs::create_directory_symlink(target, root + "/class/video4linux/" + node + "/device");
    }
    ~Tree() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

const Tree& TheTree() {
    static const Tree tree;
    return tree;
}

// Paths under the root, in input order.
const char* const kAttributes[] = {
    "class/video4linux/video0/name",
    "class/video4linux/video1/name",
    "class/video4linux/video2/name",
    "class/video4linux/video10/name",
    "class/video4linux/video3/name",
    "devices/usb1/1-1/1-1:1.0/bInterfaceNumber",
    "devices/usb1/1-1/idVendor",
    "devices/usb1/1-1/idProduct",
    "devices/usb1/1-1/busnum",
    "devices/usb1/1-1/devnum",
    "devices/usb1/1-1/bConfigurationValue",
    "devices/usb1/1-1/descriptors",
    "devices/usb1/1-2/1-2:1.0/bInterfaceNumber",
    "devices/usb1/1-2/idVendor",
    "devices/usb1/1-2/idProduct",
    "devices/usb1/1-2/busnum",
    "devices/usb1/1-2/devnum",
    "devices/usb1/1-2/bConfigurationValue",
    "devices/usb1/1-2/descriptors",
    "devices/platform/vivid.0/bInterfaceNumber",
};
constexpr size_t kAttributeCount = sizeof kAttributes / sizeof kAttributes[0];

// The answers of the driver and of usbfs, byte by byte; zeros once used up.
class Script {
public:
    explicit Script(std::string_view bytes) : bytes_(bytes) {}
    uint8_t Byte() { return at_ < bytes_.size() ? static_cast<uint8_t>(bytes_[at_++]) : 0; }
    uint32_t Word() {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i) w |= static_cast<uint32_t>(Byte()) << (8 * i);
        return w;
    }
    int32_t Int() { return static_cast<int32_t>(Word()); }
    // 0 for success, or a -errno the kernel gives for such calls.
    int Result() {
        static const int errors[] = {-EINVAL, -ENODEV, -EIO, -EACCES, -ENOTTY, -EPIPE, -ETIMEDOUT, -EBUSY};
        const uint8_t b = Byte();
        return b < 0xC0 ? 0 : errors[b & 7];
    }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

class LyingMachine final : public v4l2::Syscalls {
public:
    LyingMachine(std::map<std::string, std::string> files, std::string_view script, std::string_view reads)
        : files_(std::move(files)), script_(script), reads_(reads) {}
    ~LyingMachine() override { FUZZ_CHECK(open_.empty()); }

    int Open(const std::string& path, int flags) override {
        (void)flags;
        Handle handle;
        if (path.rfind("/dev/video", 0) == 0 || path.rfind("/dev/bus/usb/", 0) == 0) {
            // Only nodes that sysfs listed, and usbfs nodes made from its numbers.
            FUZZ_CHECK(path.find("..") == std::string::npos);
            if (const int result = script_.Result(); result < 0) return result;
            handle.device = path;
        } else {
            // Nothing outside the tree is ever read.
            FUZZ_CHECK(path.rfind(TheTree().root + "/", 0) == 0);
            const auto it = files_.find(path);
            if (it == files_.end()) return -ENOENT;
            handle.contents = it->second;
        }
        const int fd = next_++;
        open_[fd] = std::move(handle);
        return fd;
    }

    int Ioctl(int fd, unsigned long request, void* argument) override {
        const auto it = open_.find(fd);
        FUZZ_CHECK(it != open_.end() && !it->second.device.empty());
        FUZZ_CHECK(argument != nullptr);
        const int result = script_.Result();
        if (result < 0) return result;
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto& caps = *static_cast<v4l2_capability*>(argument);
            // Mostly a well-formed driver name, sometimes any 16 bytes.
            if (script_.Byte() & 1)
                for (auto& c : caps.driver) c = script_.Byte();
            else std::strcpy(reinterpret_cast<char*>(caps.driver), script_.Byte() & 1 ? "gspca" : "uvcvideo");
            caps.capabilities = script_.Word();
            caps.device_caps = script_.Word();
            return 0;
        }
        case VIDIOC_QUERYCTRL: {
            auto& q = *static_cast<v4l2_queryctrl*>(argument);
            if (script_.Byte() == 0xFF) q.id = script_.Word();
            q.type = script_.Byte() % 10;
            q.minimum = script_.Int();
            q.maximum = script_.Int();
            q.step = script_.Int();
            q.default_value = script_.Int();
            q.flags = script_.Word();
            return 0;
        }
        case VIDIOC_QUERYMENU: return 0;
        case VIDIOC_G_EXT_CTRLS:
        case VIDIOC_S_EXT_CTRLS: {
            auto& r = *static_cast<v4l2_ext_controls*>(argument);
            FUZZ_CHECK(r.count >= 1 && r.count <= 2 && r.controls != nullptr);
            if (request == VIDIOC_G_EXT_CTRLS)
                for (uint32_t i = 0; i < r.count; ++i) r.controls[i].value = script_.Int();
            return 0;
        }
        case USBDEVFS_CONTROL: {
            auto& t = *static_cast<usbdevfs_ctrltransfer*>(argument);
            FUZZ_CHECK(t.data != nullptr && t.wLength <= 64);
            // Never to the interface uvcvideo owns: this machine never lets
            // usbfs take it.
            FUZZ_CHECK((t.bRequestType & 0x1F) == 0);
            // A device may take fewer bytes than asked.
            return static_cast<int>(script_.Byte() % (t.wLength + 1u));
        }
        default: return -ENOTTY;
        }
    }

    int Close(int fd) override {
        FUZZ_CHECK(open_.erase(fd) == 1);
        return 0;
    }

    ssize_t Read(int fd, void* buffer, size_t length) override {
        const auto it = open_.find(fd);
        FUZZ_CHECK(it != open_.end());
        Handle& h = it->second;
        if (!h.device.empty()) {
            // A usbfs node reads as a device descriptor of the script's
            // bytes, which may or may not name the ids sysfs gave.
            if (const int result = script_.Result(); result < 0) return result;
            auto* out = static_cast<uint8_t*>(buffer);
            const size_t n = std::min<size_t>(length, script_.Byte() % 24);
            for (size_t i = 0; i < n; ++i) out[i] = script_.Byte();
            return static_cast<ssize_t>(n);
        }
        // Files come in pieces of any size; a read may fail halfway.
        const uint8_t how = reads_.Byte();
        if (how == 0xEE) return -EIO;
        const size_t piece = std::min({length, h.contents.size() - h.offset, how == 0 ? length : how * 16u});
        std::memcpy(buffer, h.contents.data() + h.offset, piece);
        h.offset += piece;
        return static_cast<ssize_t>(piece);
    }

    // The tree's links are real; none outside it is ever read.
    int ReadLink(const std::string& path, std::string& target) override {
        FUZZ_CHECK(path.rfind(TheTree().root + "/", 0) == 0);
        char buffer[4096];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (length < 0) return -errno;
        target.assign(buffer, static_cast<size_t>(length));
        return 0;
    }

    // The tree's directories are real too; its /proc is empty.
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        FUZZ_CHECK(path.rfind(TheTree().root + "/", 0) == 0);
        names.clear();
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(path, error)) names.push_back(entry.path().filename());
        return error ? -ENOENT : 0;
    }
    int DeviceNumberOf(const std::string& path, uint64_t& number) override {
        FUZZ_CHECK(path.rfind(TheTree().root + "/", 0) == 0);
        number = 0;
        return -ENOENT;
    }
    void Pause(unsigned) override {}

    Script& script() { return script_; }

private:
    struct Handle {
        std::string device;  // empty for a file
        std::string contents;
        size_t offset = 0;
    };
    std::map<std::string, std::string> files_;
    Script script_;
    Script reads_;
    std::map<int, Handle> open_;
    int next_ = 100;
};

std::vector<std::string_view> Chunks(std::string_view input) {
    std::vector<std::string_view> chunks;
    static constexpr std::string_view kSeparator = "\n%%\n";
    while (true) {
        const size_t at = input.find(kSeparator);
        chunks.push_back(input.substr(0, at));
        if (at == std::string_view::npos) break;
        input.remove_prefix(at + kSeparator.size());
    }
    return chunks;
}

// "video7" -> 7, as the kernel names nodes; judged by hand.
void CheckNodeNumber(const std::string& name) {
    const auto number = v4l2::VideoNodeNumber(name);
    const std::string digits = name.size() > 5 ? name.substr(5) : std::string();
    const bool shaped = name.rfind("video", 0) == 0 && !digits.empty() && digits.size() <= 8 &&
                        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                        (digits == "0" || digits[0] != '0');
    const bool inRange = shaped && std::stoul(digits) <= 0xFFFFFF;
    FUZZ_CHECK(number.has_value() == inRange);
    if (number) FUZZ_CHECK(*number == std::stoul(digits));
}

// A few requests through each interface of a bound camera.
void Exercise(CaptureFilter& filter, Script& script) {
    std::unique_ptr<VideoProcAmp> procAmp;
    std::unique_ptr<CameraControl> cameraControl;
    std::unique_ptr<KsPropertySet> properties;
    std::unique_ptr<KsControl> ksControl;
    filter.QueryVideoProcAmp(procAmp);
    filter.QueryCameraControl(cameraControl);
    filter.QueryKsPropertySet(properties);
    filter.QueryKsControl(ksControl);
    static const uint32_t kIds[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16, 0xFFFFFFFF};
    const int count = script.Byte() % 24;
    for (int i = 0; i < count; ++i) {
        const uint8_t kind = script.Byte();
        const uint32_t id = kIds[script.Byte() % (sizeof kIds / sizeof kIds[0])];
        const PropertySet set = kind & 0x80 ? PropertySet::VideoProcAmp : PropertySet::CameraControl;
        PropertyControl* control = set == PropertySet::VideoProcAmp ? static_cast<PropertyControl*>(procAmp.get())
                                                                    : cameraControl.get();
        const int32_t value = script.Int();
        const int32_t flags = static_cast<int32_t>(script.Byte() & 0x13);
        int32_t a = 0, b = 0, c = 0, d = 0, e = 0;
        switch (kind & 3) {
        case 0:
            if (control) control->Get(static_cast<int32_t>(id), &a, &b);
            break;
        case 1:
            if (control) control->GetRange(static_cast<int32_t>(id), &a, &b, &c, &d, &e);
            break;
        case 2:
            if (control) control->Set(static_cast<int32_t>(id), value, flags);
            break;
        case 3: {
            // The 40-byte request, or the 48-byte one of the white-balance pair.
            int32_t request[NodeRequest::kBytes / 4] = {};
            const bool node = kind & 0x40;
            request[node ? NodeRequest::kValue1 : SetRequest::kValue1] = value;
            request[node ? NodeRequest::kFlags : SetRequest::kFlags] = flags;
            request[node ? NodeRequest::kValue2 : SetRequest::kValue2] = script.Int();
            const uint32_t length = node ? NodeRequest::kBytes : SetRequest::kBytes;
            if (properties) properties->Set(set, id, request, length, request, length);
            break;
        }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Tree& tree = TheTree();
    const std::vector<std::string_view> chunks = Chunks(std::string_view(reinterpret_cast<const char*>(data), size));
    std::map<std::string, std::string> files;
    for (size_t i = 0; i < kAttributeCount && i < chunks.size(); ++i)
        if (chunks[i] != "!") files[tree.root + "/" + kAttributes[i]] = std::string(chunks[i]);
    const auto chunk = [&](size_t i) { return i < chunks.size() ? chunks[i] : std::string_view(); };
    const std::string_view script = chunk(kAttributeCount);
    const std::string_view reads = chunk(kAttributeCount + 1);
    if (!chunks.empty()) CheckNodeNumber(std::string(chunks[0].substr(0, 16)));

    auto machine = std::make_shared<LyingMachine>(files, script, reads);
    {
        std::unique_ptr<Backend> backend = v4l2::CreateV4l2Backend(
            v4l2::V4l2Environment{tree.root, machine, tree.root + "/proc"});
        std::unique_ptr<DeviceEnumerator> devices;
        FUZZ_CHECK(backend->CreateDeviceEnumerator(devices) == kOk && devices);
        std::unique_ptr<MonikerEnumerator> monikers;
        const HResult listed = devices->CreateVideoInputEnumerator(monikers);
        if (listed == kOk) {
            FUZZ_CHECK(monikers != nullptr);
            std::unique_ptr<Moniker> moniker;
            int seen = 0;
            while (monikers->Next(moniker) == kOk) {
                FUZZ_CHECK(moniker != nullptr);
                FUZZ_CHECK(++seen <= 5);  // video0, 1, 2, 3, 10
                std::unique_ptr<PropertyBag> bag;
                if (!Failed(moniker->BindToStorage(bag))) {
                    FUZZ_CHECK(bag != nullptr);
                    std::u16string name, path;
                    FUZZ_CHECK(bag->Read(u"FriendlyName", name) == kOk);
                    FUZZ_CHECK(bag->Read(u"DevicePath", path) == kOk);
                    const std::string narrowPath = BstrToString(&path);
                    if (IsSupportedCameraPath(narrowPath)) {
                        // Only a USB camera's node carries ids, and only those sysfs gave it.
                        FUZZ_CHECK(narrowPath.rfind("\\\\?\\usb#vid_", 0) == 0);
                        const std::string device = narrowPath.find("#1-1:") != std::string::npos ? "1-1" : "1-2";
                        const auto product = files.find(tree.root + "/devices/usb1/" + device + "/idProduct");
                        FUZZ_CHECK(product != files.end());
                    }
                }
                std::unique_ptr<CaptureFilter> filter;
                if (!Failed(moniker->BindToObject(filter))) {
                    FUZZ_CHECK(filter != nullptr);
                    Exercise(*filter, machine->script());
                }
            }
        } else {
            FUZZ_CHECK(monikers == nullptr);
        }
    }
    // Everything released: the machine checks that every descriptor was closed.
    return 0;
}
