// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The camera's firmware for the rig: answers every UVC class request that
// reaches one usb_f_uvc gadget, as a camera with the controls of
// camera_model.h would, and appends one line per request to the request log.
// That log is what the guest test judges the library by. When the host
// commits a format, it streams frames until the host resets the streaming
// interface.
//
//   uvc-responder --describe PROFILE       print the profile as shell words
//   uvc-responder PROFILE UDC LOGFILE      serve the gadget bound to UDC
//
// PROFILE is full, noiris, composite, generic or generic-full.
// The responder exits when its gadget's video node goes away (the gadget
// was unbound), so that the unbind can complete.
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/g_uvc.h>
#include <linux/usb/video.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
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
        for (int i = 0; i < field.size; ++i)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i)));
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
            const uint32_t bitmap = control.unit == rig::kCameraTerminal ? profile.cameraControls
                                                                         : profile.processingControls;
            if ((bitmap >> control.bit) & 1u)
                state_[{control.unit, control.selector}] = {&control, FieldBytes(control, 3)};
        }
        // UVC 1.0 probe/commit: format 1, frame 1, 30 fps, YUYV; bulk
        // payloads of the size the rig's usb_f_uvc sends.
        probe_.assign(34, 0);
        probe_[2] = 1;
        probe_[3] = 1;
        Put32(probe_, 4, 333333);
        Put32(probe_, 18, FrameBytes());
        Put32(probe_, 22, 4096);
    }

    ~Responder() { StopStreaming(); }

    int Run() {
        for (;;) {
            pollfd pfd{fd_, static_cast<short>(POLLPRI | (streaming_ ? POLLOUT : 0)), 0};
            const int ready = poll(&pfd, 1, 250);
            if (ready < 0 && errno != EINTR) return 1;
            if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) {
                if (!streaming_ || (pfd.revents & POLLNVAL)) return 0;
                // The stream broke under us; the host's next commit starts another.
                StopStreaming();
                continue;
            }
            if (ready > 0 && (pfd.revents & POLLOUT)) FeedFrames();
            if (ready > 0 && !(pfd.revents & POLLPRI)) continue;
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

    uint32_t FrameBytes() const { return profile_.width * profile_.height * 2; }

    // Four frames in flight, each refilled and queued again as the host
    // takes it; their bytes count the frames sent.
    void StartStreaming() {
        if (streaming_) return;
        v4l2_format format;
        std::memset(&format, 0, sizeof format);
        format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        format.fmt.pix.width = profile_.width;
        format.fmt.pix.height = profile_.height;
        format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
        format.fmt.pix.field = V4L2_FIELD_NONE;
        format.fmt.pix.bytesperline = profile_.width * 2;
        format.fmt.pix.sizeimage = FrameBytes();
        v4l2_requestbuffers request;
        std::memset(&request, 0, sizeof request);
        request.count = 4;
        request.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        request.memory = V4L2_MEMORY_MMAP;
        if (ioctl(fd_, VIDIOC_S_FMT, &format) < 0 || ioctl(fd_, VIDIOC_REQBUFS, &request) < 0) {
            std::perror("uvc-responder: stream set-up");
            return;
        }
        for (uint32_t i = 0; i < request.count; ++i) {
            v4l2_buffer buffer;
            std::memset(&buffer, 0, sizeof buffer);
            buffer.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
            buffer.memory = V4L2_MEMORY_MMAP;
            buffer.index = i;
            if (ioctl(fd_, VIDIOC_QUERYBUF, &buffer) < 0) break;
            void* memory = mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buffer.m.offset);
            if (memory == MAP_FAILED) break;
            buffers_.push_back({memory, buffer.length});
            Queue(i);
        }
        int type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        if (buffers_.size() != request.count || ioctl(fd_, VIDIOC_STREAMON, &type) < 0) {
            std::perror("uvc-responder: stream on");
            StopStreaming();
            return;
        }
        streaming_ = true;
        Log("stream on");
    }

    void StopStreaming() {
        if (buffers_.empty() && !streaming_) return;
        int type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        ioctl(fd_, VIDIOC_STREAMOFF, &type);
        for (const auto& [memory, length] : buffers_) munmap(memory, length);
        buffers_.clear();
        v4l2_requestbuffers request;
        std::memset(&request, 0, sizeof request);
        request.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        request.memory = V4L2_MEMORY_MMAP;
        ioctl(fd_, VIDIOC_REQBUFS, &request);
        if (streaming_) Log("stream off");
        streaming_ = false;
    }

    void Queue(uint32_t index) {
        std::memset(buffers_[index].first, static_cast<int>(++frames_ & 0xFF), FrameBytes());
        v4l2_buffer buffer;
        std::memset(&buffer, 0, sizeof buffer);
        buffer.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = index;
        buffer.bytesused = FrameBytes();
        ioctl(fd_, VIDIOC_QBUF, &buffer);
    }

    void FeedFrames() {
        for (;;) {
            v4l2_buffer buffer;
            std::memset(&buffer, 0, sizeof buffer);
            buffer.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
            buffer.memory = V4L2_MEMORY_MMAP;
            if (ioctl(fd_, VIDIOC_DQBUF, &buffer) < 0) return;
            if (buffer.index < buffers_.size()) Queue(buffer.index);
        }
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
        case UVC_EVENT_DISCONNECT:
            StopStreaming();
            Log("disconnect");
            break;
        case UVC_EVENT_STREAMOFF: StopStreaming(); break;
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
        std::snprintf(text, sizeof text, "%s unit=%u selector=0x%02x intf=%u recipient=%s",
                      RequestName(request.bRequest), unit, selector, request.wIndex & 0xFFu,
                      toDevice ? "device" : "interface");
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
        if (unit == 0 && interface == profile_.streamingInterface) return Streaming(request, selector, length, in);
        if (unit == 0 && interface == profile_.controlInterface && selector == UVC_VC_REQUEST_ERROR_CODE_CONTROL &&
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
        default: Log(Describe(request) + " stalled"); return Stall(0x07);
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
            // Probe and commit: keep the hint, format, frame and interval the
            // host chose, and answer with this camera's own frame and payload
            // sizes, as a camera would.
            std::memcpy(probe_.data(), data.data, std::min<size_t>(size, 8));
            if (selector == UVC_VS_COMMIT_CONTROL) StartStreaming();
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
    bool streaming_ = false;
    std::vector<std::pair<void*, size_t>> buffers_;
    uint32_t frames_ = 0;
};

bool ProfileByName(const std::string& name, rig::Profile& profile) {
    if (name == "full") profile = rig::FullProfile();
    else if (name == "noiris") profile = rig::NoIrisProfile();
    else if (name == "composite") profile = rig::CompositeProfile();
    else if (name == "generic") profile = rig::GenericProfile();
    else if (name == "generic-full") profile = rig::GenericEveryControlProfile();
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
        std::printf(
            "NAME=%s VID=0x%04x PID=0x%04x PRODUCT='%s' CAMERA_CONTROLS=0x%x PROCESSING_CONTROLS=0x%x "
            "MICROPHONE=%d WIDTH=%u HEIGHT=%u\n",
            profile.name, profile.vendorId, profile.productId, profile.product, profile.cameraControls,
            profile.processingControls, profile.microphone ? 1 : 0, profile.width, profile.height);
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
