// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// visca-simcam BUS NAME: the simulated network camera NAME of the bus
// directory BUS. BUS/NAME.visca says how it listens (framing=udp|tcp,
// port=N, 0 or none for any) and how strict it is (SimulatedCamera.h); it
// is read again on SIGHUP. The camera listens on loopback, writes its
// address to BUS/NAME.address, appends what it is asked to BUS/requests.log,
// and ends on SIGTERM.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "SimulatedCamera.h"
#include "visca/ViscaFraming.h"

using namespace lumetra::visca;
using visca_simcam::SimulatedCamera;
using visca_simcam::Strictness;

namespace {

volatile sig_atomic_t reread = 0;
volatile sig_atomic_t ending = 0;

std::map<std::string, std::string> ReadSettings(const std::string& path)
{
    std::map<std::string, std::string> settings;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos)
            continue;
        settings[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return settings;
}

Strictness StrictnessOf(const std::map<std::string, std::string>& settings)
{
    auto number = [&settings](const char* key) {
        const auto found = settings.find(key);
        return found == settings.end() ? 0 : std::atoi(found->second.c_str());
    };
    Strictness s;
    s.rejectSpeed00 = number("reject-speed-00") != 0;
    s.lateMs = number("late");
    s.bufferFull = number("buffer-full");
    s.silent = number("silent") != 0;
    return s;
}

void Append(const std::string& path, const std::vector<std::string>& lines)
{
    if (lines.empty())
        return;
    std::ofstream out(path, std::ios::app);
    for (const std::string& line : lines)
        out << line << '\n';
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: visca-simcam BUS NAME\n");
        return 2;
    }
    const std::string bus = argv[1], name = argv[2];
    const std::string settingsPath = bus + "/" + name + ".visca", logPath = bus + "/requests.log";
    auto settings = ReadSettings(settingsPath);
    Strictness strictness = StrictnessOf(settings);
    const bool tcp = settings["framing"] == "tcp";

    struct sigaction action {};
    action.sa_handler = [](int signal) { (signal == SIGHUP ? reread : ending) = 1; };
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    const int listener = ::socket(AF_INET, tcp ? SOCK_STREAM : SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(std::atoi(settings["port"].c_str())));
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || (tcp && ::listen(listener, 4) != 0)) {
        std::fprintf(stderr, "visca-simcam: cannot listen: %s\n", std::strerror(errno));
        return 1;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    {
        std::ofstream out(bus + "/." + name + ".address");
        out << (tcp ? "visca-tcp" : "visca-udp") << "://127.0.0.1:" << ntohs(address.sin_port) << '\n';
    }
    std::rename((bus + "/." + name + ".address").c_str(), (bus + "/" + name + ".address").c_str());

    // discovery=ADDRESS: answers Sony's discovery ("ENQ:network" to UDP
    // 52380, broadcast, so heard on every address) as a camera at ADDRESS.
    // Only where asked: a test's own network namespace, say.
    int discovery = -1;
    const std::string discoveryAddress = settings["discovery"];
    if (!discoveryAddress.empty()) {
        discovery = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(52380);
        ::setsockopt(discovery, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(discovery, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
            std::fprintf(stderr, "visca-simcam: cannot answer discovery: %s\n", std::strerror(errno));
            return 1;
        }
    }

    SimulatedCamera camera(name);
    int client = -1;
    MessageSplitter splitter;
    // The last numbered message and its replies: the same number again is
    // the controller sending it once more, answered again and not redone.
    bool haveLast = false;
    uint32_t lastSequence = 0;
    std::vector<Bytes> lastReplies;

    auto late = [&strictness] {
        if (strictness.lateMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(strictness.lateMs));
    };

    while (!ending) {
        if (reread) {
            reread = 0;
            strictness = StrictnessOf(ReadSettings(settingsPath));
        }
        pollfd fds[3] = {{listener, POLLIN, 0}, {client, POLLIN, 0}, {discovery, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0)
            continue;
        if (fds[2].revents & POLLIN) {
            char inquiry[64];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n =
                ::recvfrom(discovery, inquiry, sizeof inquiry, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n > 0 && !strictness.silent && std::string(inquiry, size_t(n)) == "\x02" "ENQ:network\xff\x03") {
                std::string answer = "\x02";
                for (const std::string& field : std::vector<std::string>{"MAC:02:00:00:00:00:01", "MODEL:visca-simcam",
                         "SOFTVERSION:1.00", "IPADR:" + discoveryAddress, "MASK:255.255.255.0", "GATEWAY:0.0.0.0",
                         "NAME:" + name, "WRITE:on"})
                    answer += field + "\xff";
                answer += "\x03";
                ::sendto(discovery, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
            }
            continue;
        }
        if (tcp && (fds[0].revents & POLLIN)) {
            const int accepted = ::accept(listener, nullptr, nullptr);
            if (accepted >= 0) {
                const int noDelay = 1;  // each reply goes at once, as a camera's do
                ::setsockopt(accepted, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
                if (client >= 0)
                    ::close(client);  // one controller at a time: the newest
                client = accepted;
                splitter = MessageSplitter();
            }
            continue;
        }
        uint8_t buffer[1024];
        if (tcp) {
            if (client < 0 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                ::close(client);
                client = -1;
                continue;
            }
            splitter.Feed(buffer, static_cast<size_t>(n));
            Bytes message;
            for (MessageSplitter::Result r; (r = splitter.Next(message)) != MessageSplitter::Result::None;) {
                if (r != MessageSplitter::Result::Message)
                    continue;
                std::vector<std::string> log;
                const std::vector<Bytes> replies = camera.Handle(message, strictness, log);
                Append(logPath, log);
                late();
                for (const Bytes& reply : replies)
                    ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
            continue;
        }
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n =
            ::recvfrom(listener, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n <= 0)
            continue;
        IpPacket packet;
        if (ReadDatagram(buffer, static_cast<size_t>(n), packet) != DatagramKind::Ip)
            continue;
        if (strictness.silent)
            continue;
        std::vector<Bytes> replies;
        uint16_t replyType = kReply;
        if (packet.type == kControl) {
            replyType = kControlReply;
            replies = {{kControlReset}};
            haveLast = false;
        } else if (haveLast && packet.sequence == lastSequence) {
            replies = lastReplies;
        } else {
            std::vector<std::string> log;
            replies = camera.Handle(packet.payload, strictness, log);
            Append(logPath, log);
            haveLast = true;
            lastSequence = packet.sequence;
            lastReplies = replies;
        }
        late();
        for (const Bytes& reply : replies) {
            const Bytes datagram = BuildDatagram(replyType, packet.sequence, reply);
            ::sendto(listener, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLength);
        }
    }
    ::unlink((bus + "/" + name + ".address").c_str());
    return 0;
}
