// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "program/CameraDiscovery.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>

#include "program/CommandLine.h"

namespace ptzdeck::remote {
namespace {

constexpr uint16_t kDiscoveryPort = 52380;
const char kInquiry[] =
    "\x02"
    "ENQ:network\xff\x03";

}  // namespace

std::map<std::string, std::string> ReadDiscoveryAnswer(const std::string& datagram)
{
    std::map<std::string, std::string> fields;
    if (datagram.size() < 2 || datagram.front() != '\x02' || datagram.back() != '\x03')
        return fields;
    size_t start = 1;
    for (size_t end; (end = datagram.find('\xff', start)) != std::string::npos; start = end + 1) {
        const std::string field = datagram.substr(start, end - start);
        const size_t colon = field.find(':');
        if (colon != std::string::npos)
            fields[field.substr(0, colon)] = field.substr(colon + 1);
    }
    return fields;
}

int RunDiscovery(int seconds)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &yes, sizeof yes) != 0) {
        std::perror("ptzdeck: discovery");
        return kExitRefused;
    }
    // The limited broadcast, and each interface's own: the limited one leaves
    // only by the default route, where there is one.
    std::set<in_addr_t> targets = {htonl(INADDR_BROADCAST)};
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) == 0) {
        for (const ifaddrs* i = interfaces; i; i = i->ifa_next)
            if (i->ifa_broadaddr && i->ifa_addr && i->ifa_addr->sa_family == AF_INET && (i->ifa_flags & IFF_UP)
                && (i->ifa_flags & IFF_BROADCAST) && !(i->ifa_flags & IFF_LOOPBACK))
                targets.insert(reinterpret_cast<const sockaddr_in*>(i->ifa_broadaddr)->sin_addr.s_addr);
        ::freeifaddrs(interfaces);
    }
    bool sent = false;
    for (const in_addr_t target : targets) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kDiscoveryPort);
        to.sin_addr.s_addr = target;
        sent |= ::sendto(fd, kInquiry, sizeof kInquiry - 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0;
    }
    if (!sent) {
        std::fprintf(stderr, "ptzdeck: no network to ask for cameras on\n");
        ::close(fd);
        return kExitRefused;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::set<std::string> found;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) <= 0)
            break;
        char buffer[1500];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n <= 0)
            continue;
        auto fields = ReadDiscoveryAnswer(std::string(buffer, static_cast<size_t>(n)));
        // The camera's own word for its address, else where it answered from.
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        std::string address = fields.count("IPADR") ? fields["IPADR"] : text;
        if (!fields.count("MAC") || address.find_first_not_of("0123456789.") != std::string::npos
            || !found.insert(address).second)
            continue;
        std::string name = fields["NAME"];
        for (char& c : name)
            if (static_cast<unsigned char>(c) < 0x20 || c == '#')
                c = ' ';
        std::printf("visca-udp://%s  %s  (%s, %s)\n", address.c_str(), name.c_str(), fields["MODEL"].c_str(),
            fields["MAC"].c_str());
        std::fflush(stdout);
    }
    ::close(fd);
    if (found.empty())
        std::fprintf(stderr, "ptzdeck: no camera answered within %d s\n", seconds);
    return kExitDone;
}

}  // namespace ptzdeck::remote
