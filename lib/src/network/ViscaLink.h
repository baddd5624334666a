// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// One network camera's connection: a message out, the camera's word on it
// back, within a bounded time. Sony's framing over UDP numbers each message
// (a message sent again keeps its number, RESET starts them again); raw
// VISCA over TCP matches replies by order and by socket.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "network/NetworkCameras.h"
#include "visca/ViscaFraming.h"

namespace lumetra {

class ViscaLink {
public:
    enum class Outcome {
        Taken,     // ACK, Completion, or the inquiry's answer
        Refused,   // the camera answered with an error, or stayed busy
        NoAnswer,  // nothing came in time, or the camera is unreachable
    };

    // A reply is waited for this long, and a datagram sent once more after
    // it; a camera that stayed silent on its last message gets one try.
    static constexpr std::chrono::milliseconds kReplyWait{100};
    static constexpr std::chrono::milliseconds kConnectWait{300};
    // "Buffer full": the message is sent again, under a new number, after a
    // pause that lets a socket come free; this many times at most.
    static constexpr int kBusyRetries = 3;
    static constexpr std::chrono::milliseconds kBusyPause{30};

    ViscaLink() = default;
    ViscaLink(const ViscaLink&) = delete;
    ViscaLink& operator=(const ViscaLink&) = delete;
    ~ViscaLink() { Close(); }

    // Looks the host up (by the system's resolver) and, over UDP, sends
    // RESET; over TCP connects. False when the host is not found or a TCP
    // camera does not take the connection in time.
    bool Open(const NetworkAddress& address);
    void Close();
    // `answer`, for inquiries: the data between 50 and FF.
    Outcome Send(const visca::Bytes& message, bool inquiry, visca::Bytes* answer = nullptr);

private:
    enum class Heard { Reply, Busy, SequenceError, Nothing, Unreachable };
    struct Exchange {
        bool inquiry = false;
        uint32_t sequence = 0;
        visca::Bytes* answer = nullptr;
        Outcome outcome = Outcome::NoAnswer;
    };

    bool Connect();
    void Disconnect();
    bool SendAll(const visca::Bytes& bytes);
    void Reset();
    Outcome SendUdp(const visca::Bytes& message, bool inquiry, visca::Bytes* answer);
    Outcome SendTcp(const visca::Bytes& message, bool inquiry, visca::Bytes* answer);
    Heard AwaitUdp(Exchange& exchange);
    Heard AwaitTcp(Exchange& exchange);
    // Reads what has come, waiting until `deadline` for it; false at the
    // deadline or when the connection failed (`unreachable`).
    bool Receive(std::chrono::steady_clock::time_point deadline, visca::Bytes& bytes, bool& unreachable);
    Heard Judge(const visca::Bytes& reply, Exchange& exchange);

    NetworkAddress address_;
    std::vector<uint8_t> peer_;  // the resolved sockaddr
    int fd_ = -1;
    uint32_t sequence_ = 0;
    bool silent_ = false;
    visca::MessageSplitter splitter_;
    std::vector<int> acknowledged_;  // TCP: sockets whose Completion is still to come
};

}  // namespace lumetra
