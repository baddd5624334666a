// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the rig's virtual machine: ptzdeck-bridge itself (Lumetra's
// V4L2 backend under it) and a VISCA client on the machine's loopback. Each
// command is judged by the bytes the client got back and by the UVC requests
// the gadget camera's responder logged.
//
//   rig-bridge-test LOG RESPONDER GADGETS   (the camera case's arguments)
//
// Exit status 0 when every check held.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Judge.h"
#include "camera_model.h"

namespace {

using rig::Carrier;
using rig::Ct;
using rig::Outcome;
using rig::Step;

constexpr int kRawPort = 1259;  // camera 1's raw VISCA over UDP

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The machine boots with its loopback down.
bool LoopbackUp() {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
    bool up = s >= 0 && ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ioctl(s, SIOCSIFFLAGS, &request) == 0;
    if (s >= 0) close(s);
    return up;
}

// The bridge, its output read until it says camera 1 serves.
pid_t StartBridge(std::string& said) {
    std::ofstream("/tmp/bridge.conf") << "cameras = 1\n";
    int out[2];
    if (pipe(out) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/no-bus", 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/run/no-bus", 1);
        execl("/rig/bridge/ptzdeck-bridge", "ptzdeck-bridge", "--config", "/tmp/bridge.conf", nullptr);
        _exit(127);
    }
    close(out[1]);
    const auto start = std::chrono::steady_clock::now();
    char chunk[256];
    while (said.find("ptzdeck-bridge: camera 1 (") == std::string::npos && Since(start) < 120) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 1000) <= 0) continue;
        const ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n <= 0) break;
        said.append(chunk, static_cast<size_t>(n));
    }
    return pid;
}

std::string Hex(const unsigned char* bytes, size_t size) {
    std::string text;
    char two[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

// A raw VISCA client: a command, and the replies it gets (ACK, then
// Completion or an error), as hex.
class Client {
public:
    Client() : socket_(::socket(AF_INET, SOCK_DGRAM, 0)) {}
    ~Client() { close(socket_); }

    std::vector<std::string> command(const std::vector<unsigned char>& bytes) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kRawPort);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(socket_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        std::vector<std::string> replies;
        unsigned char reply[64];
        while (replies.size() < 2) {
            pollfd p{socket_, POLLIN, 0};
            if (poll(&p, 1, 60 * 1000) <= 0) break;
            const ssize_t n = recv(socket_, reply, sizeof reply, 0);
            if (n <= 0) break;
            replies.push_back(Hex(reply, static_cast<size_t>(n)));
            if (replies.back().substr(2, 1) != "4") break;  // an error ends it
        }
        return replies;
    }

private:
    int socket_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: rig-bridge-test LOG RESPONDER GADGETS\n");
        return 2;
    }
    const std::string logPath = argv[1];
    const rig::Profile fullProfile = rig::FullProfile();
    const rig::CameraId full{fullProfile.name, fullProfile.vendorId, fullProfile.productId};
    rig::Judge judge(logPath, {full});

    judge.Check(LoopbackUp(), "the machine's loopback is up");
    std::string said;
    const pid_t bridge = StartBridge(said);
    judge.Check(bridge > 0 && said.find("ptzdeck-bridge: camera 1 (") != std::string::npos,
                "ptzdeck-bridge serves camera 1 (" + said.substr(0, said.find('\n')) + ")");
    judge.Settle();

    // One command through the bridge: its replies, once the camera has
    // received `requests` SET_CURs (or the time is up).
    rig::RequestLog watch(logPath);
    watch.TakeNew();
    Client client;
    const auto visca = [&](std::vector<unsigned char> bytes, size_t requests) {
        return [&, bytes, requests] {
            const std::vector<std::string> replies = client.command(bytes);
            size_t got = 0;
            const auto start = std::chrono::steady_clock::now();
            while (got < requests && Since(start) < 60) {
                for (const rig::Request& r : watch.TakeNew()) got += r.camera == full.name && r.request == "SET_CUR";
                usleep(20 * 1000);
            }
            usleep(500 * 1000);  // anything more the command brought is in by now
            std::string shown;
            for (const std::string& reply : replies) shown += (shown.empty() ? "" : " ") + reply;
            return Outcome{replies == std::vector<std::string>{"9041ff", "9051ff"}, shown, true};
        };
    };
    const rig::Column column{"ptzdeck-bridge, a VISCA client on raw UDP", full, rig::Reach::Device};
    const std::string stop = "00000000";
    // A table, laid out by hand.
    // clang-format off
    const std::vector<Step> steps = {
        // VISCA's fastest pan is the panel's; uvcvideo sends pan and tilt in
        // one control, so the tilt's stop carries the pan still going.
        {"pan-tilt drive right, tilt stopped, speeds 18h 14h",
         visca({0x81, 0x01, 0x06, 0x01, 0x18, 0x14, 0x02, 0x03, 0xFF}, 2), true,
         {Ct(0x0E, "01150000"), Ct(0x0E, "01150000")}, "PanRight(21), TiltUpStop()"},
        {"pan-tilt stop", visca({0x81, 0x01, 0x06, 0x01, 0x18, 0x14, 0x03, 0x03, 0xFF}, 2), true,
         {Ct(0x0E, stop), Ct(0x0E, stop)}, "PanLeftStop(), TiltUpStop()"},
        {"zoom tele (standard)", visca({0x81, 0x01, 0x04, 0x07, 0x02, 0xFF}, 1), true, {Ct(0x0C, "010001")},
         "ZoomIn(1)", Carrier::DriverNeedingUsbfs},
        {"zoom stop", visca({0x81, 0x01, 0x04, 0x07, 0x00, 0xFF}, 1), true, {Ct(0x0C, "000000")}, "ZoomStop()",
         Carrier::Usbfs},
        {"memory recall 1", visca({0x81, 0x01, 0x04, 0x3F, 0x02, 0x01, 0xFF}, 1), true, {Ct(0x0F, "6500")},
         "PresetCall(1)", Carrier::Usbfs},
    };
    // clang-format on
    for (const Step& step : steps) judge.Run(column, step);

    if (bridge > 0) {
        kill(bridge, SIGTERM);
        int status = 0;
        waitpid(bridge, &status, 0);
        judge.Check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "ptzdeck-bridge ends cleanly on SIGTERM");
    }
    judge.PrintTable();
    std::printf("RIG-RESULT %s (%d failures)\n", judge.Failures() == 0 ? "pass" : "fail", judge.Failures());
    std::fflush(stdout);
    return judge.Failures() == 0 ? 0 : 1;
}
