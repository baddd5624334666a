// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "network/ViscaLink.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "visca/ViscaCommands.h"
#include "visca/ViscaMessages.h"

namespace lumetra {

using visca::Bytes;
using Clock = std::chrono::steady_clock;

namespace {

int Remaining(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

bool ViscaLink::Open(const NetworkAddress& address) {
    Close();
    address_ = address;
    const bool udp = address.framing == NetworkAddress::Framing::SonyUdp;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = udp ? SOCK_DGRAM : SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found) != 0 || !found)
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(found->ai_addr);
    peer_.assign(bytes, bytes + found->ai_addrlen);
    freeaddrinfo(found);
    if (!Connect()) return false;
    if (udp) Reset();
    return true;
}

void ViscaLink::Close() {
    Disconnect();
    peer_.clear();
    silent_ = false;
}

void ViscaLink::Disconnect() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    splitter_ = visca::MessageSplitter();
    acknowledged_.clear();
}

// A connected socket, so that only the camera's datagrams are read and an
// unreachable one is reported at once (ECONNREFUSED) rather than waited out.
bool ViscaLink::Connect() {
    Disconnect();
    if (peer_.empty()) return false;
    const auto* peer = reinterpret_cast<const sockaddr*>(peer_.data());
    const bool udp = address_.framing == NetworkAddress::Framing::SonyUdp;
    fd_ = ::socket(peer->sa_family, (udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return false;
    // A message is small and wanted at once: no waiting to fill a segment.
    const int noDelay = 1;
    if (!udp) ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    const socklen_t length = static_cast<socklen_t>(peer_.size());
    if (::connect(fd_, peer, length) == 0) return true;
    if (udp || errno != EINPROGRESS) return Disconnect(), false;
    pollfd wait{fd_, POLLOUT, 0};
    int error = 0;
    socklen_t errorLength = sizeof error;
    if (::poll(&wait, 1, static_cast<int>(kConnectWait.count())) != 1 ||
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &errorLength) != 0 || error != 0)
        return Disconnect(), false;
    return true;
}

bool ViscaLink::SendAll(const Bytes& bytes) {
    const auto deadline = Clock::now() + kReplyWait;
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd wait{fd_, POLLOUT, 0};
            if (::poll(&wait, 1, Remaining(deadline)) == 1) continue;
        }
        return false;
    }
    return true;
}

// Numbers start again. A camera that does not know RESET is still driven:
// the answer is waited for once, and its absence is no failure.
void ViscaLink::Reset() {
    if (!SendAll(visca::BuildDatagram(visca::kControl, 0, {visca::kControlReset}))) return;
    const auto deadline = Clock::now() + kReplyWait;
    Bytes bytes;
    bool unreachable = false;
    while (Receive(deadline, bytes, unreachable)) {
        visca::IpPacket packet;
        if (visca::ReadDatagram(bytes.data(), bytes.size(), packet) == visca::DatagramKind::Ip &&
            packet.type == visca::kControlReply)
            break;
    }
    sequence_ = 1;
}

bool ViscaLink::Receive(Clock::time_point deadline, Bytes& bytes, bool& unreachable) {
    unreachable = false;
    for (;;) {
        uint8_t buffer[512];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            bytes.assign(buffer, buffer + n);
            return true;
        }
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            unreachable = true;  // refused, reset, or the stream ended
            return false;
        }
        const int left = Remaining(deadline);
        if (left == 0) return false;
        pollfd wait{fd_, POLLIN, 0};
        if (::poll(&wait, 1, left) < 0 && errno != EINTR) return false;
    }
}

ViscaLink::Outcome ViscaLink::Send(const Bytes& message, bool inquiry, Bytes* answer) {
    if (peer_.empty()) return Outcome::NoAnswer;
    const Outcome outcome = address_.framing == NetworkAddress::Framing::SonyUdp ? SendUdp(message, inquiry, answer)
                                                                                 : SendTcp(message, inquiry, answer);
    silent_ = outcome == Outcome::NoAnswer;
    return outcome;
}

ViscaLink::Heard ViscaLink::Judge(const Bytes& bytes, Exchange& exchange) {
    const visca::Reply reply = visca::ReadReply(bytes);
    switch (reply.kind) {
    case visca::Reply::Ack:
    case visca::Reply::Completion:
        if (exchange.inquiry) return Heard::Nothing;
        exchange.outcome = Outcome::Taken;
        return Heard::Reply;
    case visca::Reply::Answer:
        if (!exchange.inquiry) return Heard::Nothing;
        if (exchange.answer) *exchange.answer = reply.data;
        exchange.outcome = Outcome::Taken;
        return Heard::Reply;
    case visca::Reply::Error:
        if (reply.error == visca::kErrorBufferFull) return Heard::Busy;
        exchange.outcome = Outcome::Refused;
        return Heard::Reply;
    case visca::Reply::Unknown: break;
    }
    return Heard::Nothing;
}

ViscaLink::Heard ViscaLink::AwaitUdp(Exchange& exchange) {
    const auto deadline = Clock::now() + kReplyWait;
    Bytes bytes;
    bool unreachable = false;
    while (Receive(deadline, bytes, unreachable)) {
        visca::IpPacket packet;
        if (visca::ReadDatagram(bytes.data(), bytes.size(), packet) != visca::DatagramKind::Ip) continue;
        if (packet.type == visca::kControlReply && packet.payload.size() == 2 && packet.payload[0] == 0x0F &&
            packet.payload[1] == visca::kControlErrorSequence)
            return Heard::SequenceError;
        // Replies to earlier messages (a Completion after its ACK) have
        // their own numbers.
        if (packet.type != visca::kReply || packet.sequence != exchange.sequence) continue;
        const Heard heard = Judge(packet.payload, exchange);
        if (heard != Heard::Nothing) return heard;
    }
    return unreachable ? Heard::Unreachable : Heard::Nothing;
}

ViscaLink::Outcome ViscaLink::SendUdp(const Bytes& message, bool inquiry, Bytes* answer) {
    Exchange exchange{inquiry, sequence_++, answer, Outcome::NoAnswer};
    const int tries = silent_ ? 1 : 2;
    int busy = 0;
    bool reset = false;
    for (int attempt = 0; attempt < tries;) {
        if (!SendAll(visca::BuildDatagram(inquiry ? visca::kInquiry : visca::kCommand, exchange.sequence, message)))
            return Outcome::NoAnswer;
        switch (AwaitUdp(exchange)) {
        case Heard::Reply: return exchange.outcome;
        case Heard::Busy:
            if (++busy > kBusyRetries) return Outcome::Refused;
            std::this_thread::sleep_for(kBusyPause);
            exchange.sequence = sequence_++;  // the camera answered that number: this is a new message
            break;
        case Heard::SequenceError:
            if (reset) return Outcome::Refused;
            reset = true;
            Reset();
            exchange.sequence = sequence_++;
            break;
        case Heard::Unreachable: return Outcome::NoAnswer;
        case Heard::Nothing: ++attempt; break;  // sent again under the same number
        }
    }
    return Outcome::NoAnswer;
}

ViscaLink::Heard ViscaLink::AwaitTcp(Exchange& exchange) {
    const auto deadline = Clock::now() + kReplyWait;
    Bytes bytes;
    bool unreachable = false;
    for (;;) {
        Bytes message;
        visca::MessageSplitter::Result next;
        while ((next = splitter_.Next(message)) != visca::MessageSplitter::Result::None) {
            if (next != visca::MessageSplitter::Result::Message) continue;
            const visca::Reply reply = visca::ReadReply(message);
            // The end of an earlier command, after its ACK.
            const auto earlier = std::find(acknowledged_.begin(), acknowledged_.end(), reply.socket);
            if ((reply.kind == visca::Reply::Completion || reply.kind == visca::Reply::Error) &&
                earlier != acknowledged_.end()) {
                acknowledged_.erase(earlier);
                continue;
            }
            const Heard heard = Judge(message, exchange);
            if (heard == Heard::Reply && reply.kind == visca::Reply::Ack) {
                if (acknowledged_.size() >= 8) acknowledged_.erase(acknowledged_.begin());
                acknowledged_.push_back(reply.socket);
            }
            if (heard != Heard::Nothing) return heard;
        }
        if (!Receive(deadline, bytes, unreachable)) return unreachable ? Heard::Unreachable : Heard::Nothing;
        splitter_.Feed(bytes.data(), bytes.size());
    }
}

ViscaLink::Outcome ViscaLink::SendTcp(const Bytes& message, bool inquiry, Bytes* answer) {
    if (fd_ < 0 && !Connect()) return Outcome::NoAnswer;
    Exchange exchange{inquiry, 0, answer, Outcome::NoAnswer};
    for (int busy = 0;; ++busy) {
        if (!SendAll(message)) break;
        const Heard heard = AwaitTcp(exchange);
        if (heard == Heard::Reply) return exchange.outcome;
        if (heard != Heard::Busy) break;
        if (busy == kBusyRetries) return Outcome::Refused;
        std::this_thread::sleep_for(kBusyPause);
    }
    // A reply that comes after this would be taken for the next message's:
    // the next message starts on a new connection.
    Disconnect();
    return Outcome::NoAnswer;
}

}  // namespace lumetra
