// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Network cameras through the public operations, judged by the bytes a fake
// camera on loopback received: what each operation sends, and the protocol
// as cameras hold a controller to it (numbers, resends, busy, silence).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "SimFixture.h"
#include "visca/ViscaFraming.h"
#include "ViscaHex.h"

namespace lumetra::test {
namespace {

using visca::Bytes;

// One datagram (or, over TCP, one write's worth of a message) as received.
struct Received {
    uint16_t type = 0;
    uint32_t sequence = 0;
    Bytes payload;
    int connection = 0;  // TCP: which connection, from 1
    bool operator==(const Received& o) const {
        return type == o.type && sequence == o.sequence && payload == o.payload;
    }
};

void PrintTo(const Received& r, std::ostream* out) {
    *out << std::hex << r.type << " #" << r.sequence << ":";
    for (uint8_t b : r.payload) *out << " " << int(b);
}

// Answers as a camera does unless told otherwise: RESET, ACK then
// Completion, inquiries 00 00 00 05 (switches: on).
class FakeCamera {
public:
    // The replies to the n-th message since the policy was set; with
    // `usual` left true, the usual ones instead.
    using Policy = std::function<std::vector<Bytes>(const Received&, int n, bool& usual)>;

    explicit FakeCamera(bool tcp) : tcp_(tcp) {
        fd_ = ::socket(AF_INET, tcp ? SOCK_STREAM : SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        if (tcp) ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
        EXPECT_EQ(::pipe(stop_), 0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeCamera() {
        (void)!::write(stop_[1], "x", 1);
        thread_.join();
        for (int fd : {fd_, client_, stop_[0], stop_[1]})
            if (fd >= 0) ::close(fd);
    }
    std::string Address() const {
        return std::string(tcp_ ? "visca-tcp" : "visca-udp") + "://127.0.0.1:" + std::to_string(port_);
    }
    void SetPolicy(Policy policy) {
        std::lock_guard<std::mutex> hold(lock_);
        policy_ = std::move(policy);
        count_ = 0;
    }
    std::vector<Received> Take() {
        std::lock_guard<std::mutex> hold(lock_);
        return std::exchange(received_, {});
    }

private:
    static std::vector<Bytes> Usual(const Bytes& payload) {
        if (payload.size() == 1) return {{0x01}};  // RESET
        if (payload.size() > 3 && payload[1] == 0x09)
            return {payload[3] == 0x33 ? Hex("905002FF") : Hex("9050 00000005 FF")};
        return {Hex("9041FF"), Hex("9051FF")};
    }
    void Reply(const Received& r, const sockaddr_in& from) {
        bool usual = true;
        std::vector<Bytes> replies;
        {
            std::lock_guard<std::mutex> hold(lock_);
            received_.push_back(r);
            if (policy_) replies = policy_(r, count_, usual);
            ++count_;
        }
        if (usual) replies = Usual(r.payload);
        for (const Bytes& reply : replies) {
            if (tcp_) {
                (void)!::send(client_, reply.data(), reply.size(), MSG_NOSIGNAL);
                continue;
            }
            const bool control = r.type == visca::kControl || reply == Bytes{0x0F, 0x01};
            const uint16_t type = control ? visca::kControlReply : visca::kReply;
            const Bytes d = visca::BuildDatagram(type, r.sequence, reply);
            ::sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&from), sizeof from);
        }
    }
    void Serve() {
        visca::MessageSplitter splitter;
        int connections = 0;
        for (;;) {
            pollfd fds[3] = {{stop_[0], POLLIN, 0}, {fd_, POLLIN, 0}, {client_, POLLIN, 0}};
            ::poll(fds, client_ >= 0 ? 3 : 2, -1);
            if (fds[0].revents) return;
            uint8_t buffer[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            if (tcp_ && fds[1].revents) {
                if (client_ >= 0) ::close(client_);
                client_ = ::accept(fd_, nullptr, nullptr);
                splitter = visca::MessageSplitter();
                ++connections;
            } else if (!tcp_ && fds[1].revents) {
                const ssize_t n = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from),
                                             &length);
                visca::IpPacket p;
                if (n > 0 && visca::ReadDatagram(buffer, size_t(n), p) == visca::DatagramKind::Ip)
                    Reply({p.type, p.sequence, p.payload, 0}, from);
            } else if (client_ >= 0 && fds[2].revents) {
                const ssize_t n = ::recv(client_, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    ::close(client_);
                    client_ = -1;
                    continue;
                }
                splitter.Feed(buffer, size_t(n));
                Bytes m;
                while (splitter.Next(m) == visca::MessageSplitter::Result::Message) Reply({0, 0, m, connections}, from);
            }
        }
    }

    bool tcp_;
    int fd_ = -1, client_ = -1, stop_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::thread thread_;
    std::mutex lock_;
    Policy policy_;
    int count_ = 0;
    std::vector<Received> received_;
};

class NetworkCamera : public SimBusTest {
protected:
    // Lists `cameras` after the bus's USB ones and opens the first of them.
    void OpenNetwork(std::vector<DeviceInfo> cameras, const char* index = "0") {
        ASSERT_TRUE(BaseDevice::SetNetworkCameras(cameras));
        ASSERT_TRUE(device->OpenAny(index, 1));
    }
    void TearDown() override {
        SimBusTest::TearDown();
        BaseDevice::SetNetworkCameras({});
    }
    static DeviceInfo Listed(const std::string& address, const std::string& name = "") {
        DeviceInfo info;
        info.devicePath = address;
        info.friendlyName = name;
        return info;
    }
};

Received Command(uint32_t sequence, const char* hex) { return {visca::kCommand, sequence, Hex(hex), 0}; }
Received Inquiry(uint32_t sequence, const char* hex) { return {visca::kInquiry, sequence, Hex(hex), 0}; }

TEST_F(NetworkCamera, EachOperationSendsItsMessageAndTheRestSendNothing) {
    FakeCamera camera(false);
    OpenNetwork({Listed(camera.Address(), "Stage")});
    EXPECT_EQ(camera.Take(), (std::vector<Received>{{visca::kControl, 0, {0x01}, 0}, Inquiry(1, "81090002FF")}));
    EXPECT_STREQ(device->GetFriendlyName(), "Stage");
    EXPECT_EQ(device->Abilities(), AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode | AbilityHome |
                                       AbilityPresets | AbilityFlipMirror);
    // The drive carries both axes: each keeps the other's move and speed.
    // clang-format off
    const std::map<std::string, std::vector<const char*>> sent = {
        {"TiltUp", {"8101060101030301FF"}}, {"TiltUpStop", {"8101060101030303FF"}},
        {"TiltDown", {"8101060101030302FF"}}, {"TiltDownStop", {"8101060101030303FF"}},
        {"PanLeft", {"8101060103030103FF"}}, {"PanLeftStop", {"8101060103030303FF"}},
        {"PanRight", {"8101060103030203FF"}}, {"PanRightStop", {"8101060103030303FF"}},
        {"FocusManual", {"8101043803FF"}}, {"FocusAuto", {"8101043802FF"}},
        {"FocusNear", {"8101040831FF"}}, {"FocusFar", {"8101040821FF"}}, {"FocusStop", {"8101040800FF"}},
        {"ZoomIn", {"8101040721FF"}}, {"ZoomOut", {"8101040731FF"}}, {"ZoomStop", {"8101040700FF"}},
        {"GetZoom", {"81090447FF"}}, {"GetFocus", {"81090448FF"}}, {"ZoomReset", {"8101044700000000FF"}},
        {"FlipOn", {"8101046602FF"}}, {"FlipOff", {"8101046603FF"}},
        {"MirrorOn", {"8101046102FF"}}, {"MirrorOff", {"8101046103FF"}}, {"Home", {"81010604FF"}},
        {"BacklightOn", {"8101043302FF"}}, {"BacklightOff", {"8101043303FF"}},
        {"PresetClear", {"8101043F0001FF"}}, {"PresetSet", {"8101043F0101FF"}}, {"PresetCall", {"8101043F0201FF"}},
        {"GetBrightness", {"8109044DFF"}}, {"SetBrightness", {"8101044D00000001FF"}},
        {"GetBacklight", {"81090433FF"}}, {"SetBacklight", {"8101043302FF"}},
        {"GetSharpness", {"81090442FF"}}, {"SetSharpness", {"8101044200000001FF"}},
        {"GetGain", {"8109044CFF"}}, {"SetGain", {"8101044C00000001FF"}},
        {"GetSaturation", {"81090449FF"}}, {"SetSaturation", {"8101044900000001FF"}},
        {"LoadPropertyInfo", {"8109044DFF", "81090442FF", "8109044CFF", "81090433FF", "81090449FF"}},
    };
    // clang-format on
    std::vector<Operation> operations = EveryCameraOperation();
    // Speeds beyond VISCA's go as the nearest, 0 stops, and no speed goes as
    // 00; memories beyond 9 are not sent.
    operations.push_back({"PanLeft 0", [](BaseDevice& d) { return d.PanLeft(0); }});
    operations.push_back({"PanRight 99", [](BaseDevice& d) { return d.PanRight(99); }});
    operations.push_back({"TiltUp 99", [](BaseDevice& d) { return d.TiltUp(99); }});
    operations.push_back({"ZoomIn 9", [](BaseDevice& d) { return d.ZoomIn(9); }});
    operations.push_back({"PresetSet 10", [](BaseDevice& d) { return d.PresetSet(10); }});
    const std::map<std::string, std::vector<const char*>> extremes = {
        {"PanLeft 0", {"8101060103030303FF"}},  // stops, as on a USB camera
        {"PanRight 99", {"8101060118030203FF"}},
        {"TiltUp 99", {"8101060118140201FF"}},
        {"ZoomIn 9", {"8101040727FF"}},
    };
    uint32_t sequence = 2;
    for (const Operation& op : operations) {
        auto found = sent.count(op.name) ? sent.find(op.name) : extremes.find(op.name);
        const bool sends = found != extremes.end();
        EXPECT_EQ(op.call(*device), sends) << op.name;
        std::vector<Received> expected;
        for (const char* hex : sends ? found->second : std::vector<const char*>{}) {
            const Bytes bytes = Hex(hex);
            expected.push_back(bytes[1] == 0x09 ? Inquiry(sequence++, hex) : Command(sequence++, hex));
        }
        EXPECT_EQ(camera.Take(), expected) << op.name;
    }
    EXPECT_EQ(device->brightness.current, 5);
    EXPECT_EQ(device->brightness.supported, 1);
    // A value beyond the range read goes as its nearest end.
    for (const auto& [set, hex] : std::vector<std::pair<std::function<bool()>, const char*>>{
             {[&] { return device->SetBrightness(-5); }, "8101044D00000000FF"},
             {[&] { return device->SetSaturation(99); }, "810104490000000EFF"}}) {
        EXPECT_TRUE(set());
        EXPECT_EQ(camera.Take(), std::vector<Received>{Command(sequence++, hex)}) << hex;
    }
    EXPECT_EQ(device->backlightCompensation.current, 1);
    EXPECT_EQ(device->contrast.supported, 0);
}

// What the camera does to the n-th message after opening, and what it must
// then have received, numbers included (the first after opening is 2).
TEST_F(NetworkCamera, NumbersResendsBusyErrorsAndSilenceOverUdp) {
    using Policy = FakeCamera::Policy;
    struct Case {
        const char* what;
        Policy policy;
        bool taken;
        RequestFault fault;
        std::vector<Received> received;
    } cases[] = {
        {"the first datagram lost: sent again under its number",
         [](const Received&, int n, bool& usual) { return usual = n != 0, std::vector<Bytes>{}; },
         true,
         RequestFault::None,
         {Command(2, "81010604FF"), Command(2, "81010604FF")}},
        {"buffer full twice: sent again, each time a new message",
         [](const Received&, int n, bool& usual) { return usual = n >= 2, std::vector<Bytes>{Hex("906003FF")}; },
         true,
         RequestFault::None,
         {Command(2, "81010604FF"), Command(3, "81010604FF"), Command(4, "81010604FF")}},
        {"not executable: refused, not sent again",
         [](const Received&, int, bool& usual) { return usual = false, std::vector<Bytes>{Hex("906141FF")}; },
         false,
         RequestFault::None,
         {Command(2, "81010604FF")}},
        {"a sequence error: RESET, then the message under a new number",
         [](const Received&, int n, bool& usual) {
             return usual = n != 0, std::vector<Bytes>{{0x0F, 0x01}};
         },
         true,
         RequestFault::None,
         {Command(2, "81010604FF"), {visca::kControl, 0, {0x01}, 0}, Command(1, "81010604FF")}},
        {"silence: sent twice, then no answer",
         [](const Received&, int, bool& usual) { return usual = false, std::vector<Bytes>{}; },
         false,
         RequestFault::NoAnswer,
         {Command(2, "81010604FF"), Command(2, "81010604FF")}},
    };
    for (const Case& c : cases) {
        FakeCamera camera(false);
        OpenNetwork({Listed(camera.Address())});
        camera.Take();
        camera.SetPolicy(c.policy);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(device->Home(), c.taken) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600)) << c.what;
        EXPECT_EQ(device->LastRequestFault(), c.fault) << c.what;
        EXPECT_EQ(camera.Take(), c.received) << c.what;
        device->Close();
    }
}

// Raw VISCA over TCP: no numbers, replies in order; the Completion of an
// earlier command is not taken for the answer to an inquiry; a silent camera
// is left, and the next message goes on a new connection.
TEST_F(NetworkCamera, RawViscaOverTcp) {
    FakeCamera camera(true);
    // After the opening: the drive is ACKed; its Completion comes before the
    // refusal of Home; the zoom is answered; then a Home meets silence.
    camera.SetPolicy([](const Received&, int n, bool& usual) {
        const char* replies[] = {"9041FF", "9051FF 906241FF", "9050 00000102 FF", ""};
        usual = n == 0 || n > 4;
        return n == 0 || n > 4 ? std::vector<Bytes>{} : std::vector<Bytes>{Hex(replies[n - 1])};
    });
    OpenNetwork({Listed(camera.Address())});
    EXPECT_STREQ(device->GetFriendlyName(), "VISCA 0000:0005 at 127.0.0.1");
    EXPECT_TRUE(device->PanLeft(5));
    EXPECT_FALSE(device->Home());
    EXPECT_EQ(device->LastRequestFault(), RequestFault::None);
    int zoom = 0;
    EXPECT_TRUE(device->GetZoom(&zoom));
    EXPECT_EQ(zoom, 0x12);
    EXPECT_FALSE(device->Home());
    EXPECT_EQ(device->LastRequestFault(), RequestFault::NoAnswer);
    EXPECT_TRUE(device->Home());
    const std::vector<Received> got = camera.Take();
    std::vector<std::string> stream;
    for (const Received& r : got) {
        std::string hex;
        for (uint8_t b : r.payload) hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
        stream.push_back(std::to_string(r.connection) + ":" + hex);
    }
    EXPECT_EQ(stream, (std::vector<std::string>{"1:81090002FF", "1:8101060105010103FF", "1:81010604FF", "1:81090447FF",
                                                "1:81010604FF", "2:81010604FF"}));
}

// Network cameras come after the USB ones, numbered on from them; a
// camera is named by the list or, without a name there, by its answer.
TEST_F(NetworkCamera, ListedAfterTheUsbCamerasAndOpenedByTheirNumber) {
    bus.Plug("a", SupportedCamera("PTZ Camera", "aaaa"));
    FakeCamera udp(false), tcp(true);
    EXPECT_FALSE(BaseDevice::SetNetworkCameras({Listed("visca-udp://")}));
    EXPECT_FALSE(BaseDevice::SetNetworkCameras({Listed("http://127.0.0.1")}));
    EXPECT_FALSE(BaseDevice::SetNetworkCameras({Listed("visca-tcp://127.0.0.1:99999")}));
    ASSERT_TRUE(BaseDevice::SetNetworkCameras({Listed(udp.Address(), "Stage"), Listed(tcp.Address())}));
    std::vector<DeviceInfo> list;
    ASSERT_TRUE(BaseDevice::EnumAllUSBDevices(list));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].friendlyName, "PTZ Camera");
    EXPECT_EQ(list[1].devicePath, udp.Address());
    EXPECT_EQ(list[1].friendlyName, "Stage");
    EXPECT_EQ(list[2].index, 2);
    EXPECT_TRUE(BaseDevice::EnumUSBDevices(list));
    EXPECT_EQ(list.size(), 1u) << "Open numbers the supported cameras alone";
    ASSERT_TRUE(device->OpenAny("2", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "VISCA 0000:0005 at 127.0.0.1");
    ASSERT_TRUE(device->OpenAny("1", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "Stage");
    EXPECT_FALSE(device->OpenAny("3", 1));
    ASSERT_TRUE(device->OpenAny("0", 1));
    EXPECT_EQ(device->Abilities() & AbilityPresets, 0u);
    device->Close();
    EXPECT_EQ(tcp.Take().size(), 1u);
    EXPECT_EQ(udp.Take().size(), 2u);
}

}  // namespace
}  // namespace lumetra::test
