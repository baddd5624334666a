// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "RequestLog.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "UsbBus.h"
#include "camera_model.h"

namespace rig {
namespace {

bool ParseLine(const std::string& line, Request& request) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> request.camera >> request.request)) return false;
    if (request.request == "mark" || request.request == "connect" || request.request == "disconnect") return false;
    while (words >> word) {
        const auto equals = word.find('=');
        if (word == "stalled") request.stalled = true;
        if (equals == std::string::npos) continue;
        const std::string key = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        if (key == "unit") request.unit = static_cast<unsigned>(std::stoul(value));
        else if (key == "selector") request.selector = static_cast<unsigned>(std::stoul(value, nullptr, 16));
        else if (key == "recipient") request.recipient = value;
        else if (key == "data") request.data = value;
    }
    return true;
}

}  // namespace

std::string Brief(const Request& request) {
    char text[96];
    std::snprintf(text, sizeof text, "%u/0x%02x=%s", request.unit, request.selector, request.data.c_str());
    return text;
}

std::string Le(int64_t value, int size) {
    std::string text;
    char pair[3];
    for (int i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x",
                      static_cast<unsigned>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
        text += pair;
    }
    return text;
}

std::string Ct(unsigned selector, const std::string& data) {
    char text[64];
    std::snprintf(text, sizeof text, "%u/0x%02x=%s", kCameraTerminal, selector, data.c_str());
    return text;
}

std::string Pu(unsigned selector, const std::string& data) {
    char text[64];
    std::snprintf(text, sizeof text, "%u/0x%02x=%s", kProcessingUnit, selector, data.c_str());
    return text;
}

std::vector<Request> RequestLog::TakeNew() {
    std::vector<Request> requests;
    std::ifstream file(path_, std::ios::binary);
    if (!file) return requests;
    file.seekg(static_cast<std::streamoff>(offset_));
    std::string chunk((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    offset_ += chunk.size();
    partial_ += chunk;
    size_t start = 0;
    for (size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1) {
        Request request;
        if (ParseLine(partial_.substr(start, end - start), request)) requests.push_back(request);
    }
    partial_.erase(0, start);
    return requests;
}

int AskDevice(uint16_t vendorId, uint16_t productId, uint16_t sequence) {
    const std::string path = UsbfsPath(vendorId, productId);
    if (path.empty()) return -ENODEV;
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return -errno;
    uint8_t answer[1] = {};
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = 0xA0;  // class, device recipient, in: leaves uvcvideo's interface alone
    transfer.bRequest = 0x81;      // GET_CUR
    transfer.wValue = sequence;
    transfer.wIndex = static_cast<uint16_t>(kMarkUnit << 8);
    transfer.wLength = sizeof answer;
    transfer.timeout = 10000;
    transfer.data = answer;
    const int result = ioctl(fd, USBDEVFS_CONTROL, &transfer);
    const int error = errno;
    close(fd);
    return result < 0 ? -error : result;
}

bool MarkCamera(uint16_t vendorId, uint16_t productId, uint16_t sequence, bool* probed) {
    const int asked = AskDevice(vendorId, productId, sequence);
    if (probed) *probed = asked == -EPIPE;
    if (asked != -EPIPE) return asked >= 0;
    const std::string node = CaptureNode(vendorId, productId);
    if (node.empty()) return false;
    const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    const bool answered = ioctl(fd, VIDIOC_G_FMT, &format) == 0 && ioctl(fd, VIDIOC_TRY_FMT, &format) == 0;
    close(fd);
    return answered;
}

}  // namespace rig
