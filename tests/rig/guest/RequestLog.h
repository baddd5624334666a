// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The request log the rig's responders write, read from the guest test: which
// SET_CUR requests each camera received since the last look.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rig {

struct Request {
    std::string camera;   // the responder's name for the camera
    std::string request;  // SET_CUR, GET_CUR, ...
    unsigned unit = 0;
    unsigned selector = 0;
    std::string recipient;  // "interface" (uvcvideo) or "device" (usbfs)
    std::string data;       // lower-case hex
    bool stalled = false;
};

// "1/0x0f=6700": the short form the expectations are written in.
std::string Brief(const Request& request);
// Little-endian hex of a value of `size` bytes, and the short form of a
// request to the camera terminal or the processing unit carrying it.
std::string Le(int64_t value, int size);
std::string Ct(unsigned selector, const std::string& data);
std::string Pu(unsigned selector, const std::string& data);

class RequestLog {
public:
    explicit RequestLog(std::string path) : path_(std::move(path)) {}

    // Every request logged since the previous call (marks excluded).
    std::vector<Request> TakeNew();

private:
    std::string path_;
    uint64_t offset_ = 0;
    std::string partial_;
};

// Puts a mark in the camera's stream of requests and returns once the
// camera has answered it. The camera handles requests in order, so every
// request sent before the mark is in the log when this returns. The mark is
// a GET_CUR through usbfs addressed to the device; a camera that stalls
// those (one with a microphone) gets a format probe through uvcvideo
// instead, which it answers as well. False when the camera is not on the bus.
// `probed` tells which kind of mark it took.
bool MarkCamera(uint16_t vendorId, uint16_t productId, uint16_t sequence, bool* probed = nullptr);

// A class request addressed to the device, answered: -errno when refused.
int AskDevice(uint16_t vendorId, uint16_t productId, uint16_t sequence);

}  // namespace rig
