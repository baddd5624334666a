// The camera's firmware for the rig: answers every UVC class request that
// reaches one usb_f_uvc gadget, as a camera with the controls of
// camera_model.h would, and appends one line per request to the request log.
// That log is what the guest test judges the library by.
//
//   uvc-responder --describe full|noiris      print the profile as shell words
//   uvc-responder PROFILE UDC LOGFILE          serve the gadget bound to UDC
//
// The responder exits when its gadget's video node goes away (the gadget
// was unbound), so that the unbind can complete.
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/g_uvc.h>
#include <linux/usb/video.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "camera_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ControlState {
    const rig::Control* model = nullptr;
    Bytes current;
};

// What the answer to one GET request is made of.
Bytes FieldBytes(const rig::Control& control, int which) {
    Bytes bytes;
    for (const rig::Field& field : control.fields) {
        const int32_t value = which == 0 ? field.min : which == 1 ? field.max : which == 2 ? field.res : field.def;
        for (int i = 0; i < field.size; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
    }
    return bytes;
}

std::string Hex(const uint8_t* data, size_t size) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        text += pair;
    }
    return text.empty() ? "-" : text;
}

const char* RequestName(uint8_t request) {
    switch (request) {
    case UVC_SET_CUR: return "SET_CUR";
    case UVC_GET_CUR: return "GET_CUR";
    case UVC_GET_MIN: return "GET_MIN";
    case UVC_GET_MAX: return "GET_MAX";
    case UVC_GET_RES: return "GET_RES";
    case UVC_GET_LEN: return "GET_LEN";
    case UVC_GET_INFO: return "GET_INFO";
    case UVC_GET_DEF: return "GET_DEF";
    default: return "UNKNOWN";
    }
}

class Responder {
public:
    Responder(const rig::Profile& profile, int videoFd, int logFd) : profile_(profile), fd_(videoFd), log_(logFd) {
        for (const rig::Control& control : controls_) {
            const uint32_t bitmap =
                control.unit == rig::kCameraTerminal ? profile.cameraControls : profile.processingControls;
            if ((bitmap >> control.bit) & 1u) state_[{control.unit, control.selector}] = {&control, FieldBytes(control, 3)};
        }
        // UVC 1.0 probe/commit: format 1, frame 1, 30 fps, 640x480 YUYV.
        probe_.assign(34, 0);
        probe_[2] = 1;
        probe_[3] = 1;
        Put32(probe_, 4, 333333);
        Put32(probe_, 18, 640 * 480 * 2);
        Put32(probe_, 22, 512);
    }

    int Run() {
        for (;;) {
            pollfd pfd{fd_, POLLPRI, 0};
            const int ready = poll(&pfd, 1, 250);
            if (ready < 0 && errno != EINTR) return 1;
            if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) return 0;
            if (ready <= 0) {
                // Unregistering a video node does not wake a poller: ask.
                v4l2_capability caps;
                if (ioctl(fd_, VIDIOC_QUERYCAP, &caps) < 0 && errno == ENODEV) return 0;
                continue;
            }
            v4l2_event event;
            std::memset(&event, 0, sizeof event);
            if (ioctl(fd_, VIDIOC_DQEVENT, &event) < 0) {
                if (errno == ENODEV) return 0;
                continue;
            }
            Handle(event);
        }
    }

private:
    static void Put32(Bytes& bytes, size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }

    void Log(const std::string& line) {
        const std::string text = std::string(profile_.name) + " " + line + "\n";
        // One write on an O_APPEND descriptor: lines of two responders never mix.
        if (write(log_, text.data(), text.size()) < 0) std::perror("uvc-responder: log");
    }

    void Reply(const Bytes& bytes, size_t length) {
        uvc_request_data response;
        std::memset(&response, 0, sizeof response);
        response.length = static_cast<int32_t>(std::min(length, sizeof response.data));
        const size_t copied = std::min(bytes.size(), static_cast<size_t>(response.length));
        if (copied > 0) std::memcpy(response.data, bytes.data(), copied);
        ioctl(fd_, UVCIOC_SEND_RESPONSE, &response);
    }

    void Stall(uint8_t errorCode) {
        lastError_ = errorCode;
        uvc_request_data response;
        std::memset(&response, 0, sizeof response);
        response.length = -EL2HLT;
        ioctl(fd_, UVCIOC_SEND_RESPONSE, &response);
    }

    void Handle(const v4l2_event& event) {
        const auto* uvcEvent = reinterpret_cast<const uvc_event*>(&event.u.data);
        switch (event.type) {
        case UVC_EVENT_CONNECT: Log("connect"); break;
        case UVC_EVENT_DISCONNECT: Log("disconnect"); break;
        case UVC_EVENT_SETUP: Setup(uvcEvent->req); break;
        case UVC_EVENT_DATA: Data(uvcEvent->data); break;
        default: break;
        }
    }

    std::string Describe(const usb_ctrlrequest& request) const {
        const unsigned unit = request.wIndex >> 8;
        const unsigned selector = request.wValue >> 8;
        const bool toDevice = (request.bRequestType & USB_RECIP_MASK) == USB_RECIP_DEVICE;
        char text[128];
        std::snprintf(text, sizeof text, "%s unit=%u selector=0x%02x intf=%u recipient=%s", RequestName(request.bRequest),
                      unit, selector, request.wIndex & 0xFFu, toDevice ? "device" : "interface");
        return text;
    }

    void Setup(const usb_ctrlrequest& request) {
        const uint8_t unit = request.wIndex >> 8;
        const uint8_t selector = request.wValue >> 8;
        const uint8_t interface = request.wIndex & 0xFF;
        const size_t length = request.wLength;
        const uint8_t recipient = request.bRequestType & USB_RECIP_MASK;
        const bool in = (request.bRequestType & USB_DIR_IN) != 0;

        if ((request.bRequestType & USB_TYPE_MASK) != USB_TYPE_CLASS ||
            (recipient != USB_RECIP_INTERFACE && recipient != USB_RECIP_DEVICE)) {
            Log(Describe(request) + " stalled");
            return Stall(0x07);
        }
        if (unit == rig::kMarkUnit && in) {
            char text[32];
            std::snprintf(text, sizeof text, "mark %u", request.wValue);
            Log(text);
            lastError_ = 0;
            return Reply(Bytes(length, 0), length);
        }
        if (unit == 0 && interface == rig::kStreamingInterface) return Streaming(request, selector, length, in);
        if (unit == 0 && interface == rig::kControlInterface && selector == UVC_VC_REQUEST_ERROR_CODE_CONTROL &&
            request.bRequest == UVC_GET_CUR) {
            // Answers about the last request; not itself logged as one.
            const Bytes code{lastError_};
            lastError_ = 0;
            return Reply(code, length);
        }

        const auto found = state_.find({unit, selector});
        if (found == state_.end()) {
            Log(Describe(request) + " stalled");
            return Stall(unit == rig::kCameraTerminal || unit == rig::kProcessingUnit ? 0x06 : 0x05);
        }
        ControlState& control = found->second;
        const size_t size = control.current.size();
        if (request.bRequest == UVC_SET_CUR) {
            if (length != size) {
                Log(Describe(request) + " stalled");
                return Stall(0x07);
            }
            pending_ = request;
            havePending_ = true;
            lastError_ = 0;
            return Reply(Bytes(), length);  // the bytes arrive as a DATA event
        }
        Bytes answer;
        switch (request.bRequest) {
        case UVC_GET_CUR: answer = control.current; break;
        case UVC_GET_MIN: answer = FieldBytes(*control.model, 0); break;
        case UVC_GET_MAX: answer = FieldBytes(*control.model, 1); break;
        case UVC_GET_RES: answer = FieldBytes(*control.model, 2); break;
        case UVC_GET_DEF: answer = FieldBytes(*control.model, 3); break;
        case UVC_GET_LEN: answer = {static_cast<uint8_t>(size), 0}; break;
        case UVC_GET_INFO: answer = {UVC_CONTROL_CAP_GET | UVC_CONTROL_CAP_SET}; break;
        default:
            Log(Describe(request) + " stalled");
            return Stall(0x07);
        }
        Log(Describe(request) + " data=" + Hex(answer.data(), std::min(answer.size(), length)));
        lastError_ = 0;
        Reply(answer, length);
    }

    void Streaming(const usb_ctrlrequest& request, uint8_t selector, size_t length, bool in) {
        if (selector != UVC_VS_PROBE_CONTROL && selector != UVC_VS_COMMIT_CONTROL) {
            Log(Describe(request) + " stalled");
            return Stall(0x06);
        }
        lastError_ = 0;
        if (!in) {
            pending_ = request;
            havePending_ = true;
            return Reply(Bytes(), length);
        }
        if (request.bRequest == UVC_GET_LEN) return Reply({26, 0}, length);
        if (request.bRequest == UVC_GET_INFO) return Reply({UVC_CONTROL_CAP_GET | UVC_CONTROL_CAP_SET}, length);
        Reply(probe_, length);
    }

    void Data(const uvc_request_data& data) {
        if (!havePending_) return;
        havePending_ = false;
        const size_t size = static_cast<size_t>(std::max<int32_t>(0, std::min<int32_t>(data.length, sizeof data.data)));
        const uint8_t unit = pending_.wIndex >> 8;
        const uint8_t selector = pending_.wValue >> 8;
        if (unit == 0) {
            // Probe and commit: keep what the host chose, as a camera would.
            std::memcpy(probe_.data(), data.data, std::min(size, probe_.size()));
            return;
        }
        Log(Describe(pending_) + " data=" + Hex(data.data, size));
        const auto found = state_.find({unit, selector});
        if (found != state_.end() && size == found->second.current.size())
            found->second.current.assign(data.data, data.data + size);
    }

    const rig::Profile profile_;
    const std::vector<rig::Control> controls_ = rig::CameraControls(profile_.slowest);
    std::map<std::pair<uint8_t, uint8_t>, ControlState> state_;
    Bytes probe_;
    usb_ctrlrequest pending_{};
    bool havePending_ = false;
    uint8_t lastError_ = 0;
    int fd_;
    int log_;
};

bool ProfileByName(const std::string& name, rig::Profile& profile) {
    if (name == "full") profile = rig::FullProfile();
    else if (name == "noiris") profile = rig::NoIrisProfile();
    else return false;
    return true;
}

// The gadget's own video node: the one whose device sits under the UDC.
std::string GadgetNode(const std::string& udc) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/class/video4linux", error)) {
        const std::string device = fs::canonical(entry.path() / "device", error).string();
        if (error) continue;
        if (device.find("/" + udc + "/") != std::string::npos) return "/dev/" + entry.path().filename().string();
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    rig::Profile profile;
    if (argc == 3 && std::string(argv[1]) == "--describe" && ProfileByName(argv[2], profile)) {
        std::printf("NAME=%s VID=0x%04x PID=0x%04x PRODUCT='%s' CAMERA_CONTROLS=0x%x PROCESSING_CONTROLS=0x%x\n",
                    profile.name, profile.vendorId, profile.productId, profile.product, profile.cameraControls,
                    profile.processingControls);
        return 0;
    }
    if (argc != 4 || !ProfileByName(argv[1], profile)) {
        std::fprintf(stderr, "usage: uvc-responder --describe PROFILE | PROFILE UDC LOGFILE\n");
        return 2;
    }
    const std::string node = GadgetNode(argv[2]);
    if (node.empty()) {
        std::fprintf(stderr, "uvc-responder: no gadget video node under %s\n", argv[2]);
        return 1;
    }
    const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK);
    const int log = open(argv[3], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0 || log < 0) {
        std::perror("uvc-responder: open");
        return 1;
    }
    // SETUP last: subscribing to it puts the gadget on the bus.
    for (uint32_t type : {UVC_EVENT_CONNECT, UVC_EVENT_DISCONNECT, UVC_EVENT_DATA, UVC_EVENT_STREAMON,
                          UVC_EVENT_STREAMOFF, UVC_EVENT_SETUP}) {
        v4l2_event_subscription subscription;
        std::memset(&subscription, 0, sizeof subscription);
        subscription.type = type;
        if (ioctl(fd, VIDIOC_SUBSCRIBE_EVENT, &subscription) < 0) {
            std::perror("uvc-responder: subscribe");
            return 1;
        }
    }
    Responder responder(profile, fd, log);
    const int status = responder.Run();
    close(fd);
    return status;
}
