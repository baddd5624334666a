// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/CameraListener.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <cstdio>

#include "visca/ViscaMessages.h"

using namespace lumetra::visca;

namespace ptzdeck::bridge {

struct CameraListener::Client {
    Framing framing = Framing::Sony;
    QString key;
    QPointer<QUdpSocket> udp;  // the socket its datagrams came in on
    QHostAddress address;
    quint16 port = 0;
    QPointer<QTcpSocket> tcp;
    MessageSplitter splitter;
    bool busy[3] = {false, false, false};  // sockets 1 and 2
    int inquiries = 0;                     // waiting for the camera
    // The rate limit: a bucket of `rate` messages, refilled continuously.
    double tokens = 0;
    qint64 filledAt = 0;
    qint64 lastSeen = 0;
};

namespace {

constexpr int kInquiriesWaiting = 4;
constexpr qint64 kUnreadReplies = 64 * 1024;

QByteArray AsQt(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
}

const uint8_t* Data(const QByteArray& bytes) { return reinterpret_cast<const uint8_t*>(bytes.constData()); }

QString Where(const QHostAddress& address, int port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

// The camera address a reply names: the one asked, else camera 1.
int AddressOf(const Bytes& bytes)
{
    const int address = bytes.empty() ? 1 : bytes[0] & 0x0F;
    return address >= 1 && address <= 7 ? address : 1;
}

bool IsFocusMode(const Message& m)
{
    return m.request == Request::FocusAuto || m.request == Request::FocusManual || m.request == Request::FocusToggle
           || m.request == Request::FocusOnePush;
}

bool IsMoveStart(const Message& m)
{
    switch (m.request) {
    case Request::PanTiltDrive:
        return m.panDirection != 0 || m.tiltDirection != 0;
    case Request::Zoom:
    case Request::Focus:
        return m.lensDirection != 0;
    default:
        return false;
    }
}

}  // namespace

CameraListener::CameraListener(int number, QByteArray devicePath, const BridgeConfig& config, QObject* parent)
    : QObject(parent),
      number_(number),
      devicePath_(std::move(devicePath)),
      clientLimit_(config.clients),
      rate_(config.rate),
      longestMoveMs_(config.longestMoveMs),
      config_(config)
{
    clock_.start();
    longestMove_ = new QTimer(this);
    longestMove_->setSingleShot(true);
    connect(longestMove_, &QTimer::timeout, this, [this] {
        std::fprintf(stderr, "ptzdeck-bridge: camera %d: no command for %d s while moving; stopped\n", number_,
            longestMoveMs_ / 1000);
        stopMoves();
    });

    worker_ = new CameraWorker(devicePath_, config.scale, this);
    connect(worker_, &CameraWorker::finished, this, &CameraListener::finished);
    connect(worker_, &CameraWorker::opened, this, [this](bool ok, const QString& name) {
        cameraOpen_ = ok;
        if (!ok) {
            std::fprintf(stderr, "ptzdeck-bridge: camera %d cannot be opened; it is not served\n", number_);
            failed_ = true;
            emit openedOrFailed();
            return;
        }
        std::printf("ptzdeck-bridge: camera %d (%s): %s\n", number_, qPrintable(name),
            serving_.isEmpty() ? "no port could be opened" : qPrintable(serving_.join(QStringLiteral(", "))));
        std::fflush(stdout);
        emit openedOrFailed();
    });
    listen(config);
    worker_->postOpen();
}

CameraListener::~CameraListener()
{
    // A camera that goes away mid-move stops (if it is still there to hear).
    if (panTiltMoving_ || zoomMoving_ || focusMoving_)
        stopMoves();
    delete worker_;  // sends what was posted, the stop among it
}

void CameraListener::listen(const BridgeConfig& config)
{
    const int offset = number_ - 1;
    auto portOf = [offset](int first) { return first == 0 ? 0 : first + offset; };
    auto taken = [this](const char* what, const QHostAddress& address, int port, const QString& why) {
        std::fprintf(stderr, "ptzdeck-bridge: camera %d: %s port %s cannot be opened: %s\n", number_, what,
            qPrintable(Where(address, port)), qPrintable(why));
    };
    for (const QHostAddress& address : config.listen) {
        if (const int port = portOf(config.sonyPort); port > 0 && port <= 65535) {
            auto* socket = new QUdpSocket(this);
            if (socket->bind(address, quint16(port))) {
                connect(socket, &QUdpSocket::readyRead, this, [this, socket] { sonyReadable(socket); });
                serving_ << QStringLiteral("Sony UDP %1").arg(Where(address, port));
            } else {
                taken("Sony UDP", address, port, socket->errorString());
                delete socket;
            }
        }
        if (const int port = portOf(config.rawUdpPort); port > 0 && port <= 65535) {
            auto* socket = new QUdpSocket(this);
            if (socket->bind(address, quint16(port))) {
                connect(socket, &QUdpSocket::readyRead, this, [this, socket] { rawReadable(socket); });
                serving_ << QStringLiteral("raw UDP %1").arg(Where(address, port));
            } else {
                taken("raw UDP", address, port, socket->errorString());
                delete socket;
            }
        }
        if (const int port = portOf(config.tcpPort); port > 0 && port <= 65535) {
            auto* server = new QTcpServer(this);
            if (server->listen(address, quint16(port))) {
                connect(server, &QTcpServer::newConnection, this, [this, server] { tcpConnected(server); });
                serving_ << QStringLiteral("TCP %1").arg(Where(address, port));
            } else {
                taken("TCP", address, port, server->errorString());
                delete server;
            }
        }
    }
}

// ---- clients ----

CameraListener::Client* CameraListener::udpClient(
    Framing framing, QUdpSocket* socket, const QHostAddress& address, quint16 port)
{
    const QString key = QStringLiteral("%1 %2").arg(framing == Framing::Sony ? 'S' : 'R').arg(Where(address, port));
    if (auto it = clients_.find(key); it != clients_.end())
        return it->second.get();
    if (int(clients_.size()) >= clientLimit_) {
        // Full: the longest silent UDP client with nothing under way makes room.
        auto oldest = clients_.end();
        for (auto it = clients_.begin(); it != clients_.end(); ++it) {
            const Client& c = *it->second;
            if (c.framing != Framing::Tcp && !c.busy[1] && !c.busy[2] && c.inquiries == 0
                && (oldest == clients_.end() || c.lastSeen < oldest->second->lastSeen))
                oldest = it;
        }
        if (oldest == clients_.end())
            return nullptr;
        clients_.erase(oldest);
    }
    auto client = std::make_unique<Client>();
    client->framing = framing;
    client->key = key;
    client->udp = socket;
    client->address = address;
    client->port = port;
    client->tokens = rate_;
    client->filledAt = clock_.elapsed();
    return clients_.emplace(key, std::move(client)).first->second.get();
}

// One message's worth of the client's rate.
bool CameraListener::admit(Client& client)
{
    const qint64 now = clock_.elapsed();
    client.lastSeen = now;
    client.tokens = std::min<double>(rate_, client.tokens + (now - client.filledAt) * rate_ / 1000.0);
    client.filledAt = now;
    if (client.tokens < 1)
        return false;
    client.tokens -= 1;
    return true;
}

void CameraListener::sonyReadable(QUdpSocket* socket)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!config_.allows(datagram.senderAddress()))
            continue;
        const QByteArray data = datagram.data();
        IpPacket packet;
        const DatagramKind kind = ReadDatagram(Data(data), size_t(data.size()), packet);
        if (kind == DatagramKind::Malformed)
            continue;
        const Framing framing = kind == DatagramKind::Raw ? Framing::RawUdp : Framing::Sony;
        Client* client = udpClient(framing, socket, datagram.senderAddress(), quint16(datagram.senderPort()));
        if (!client)
            continue;
        if (kind == DatagramKind::Raw) {
            handleRaw(*client, data);
            continue;
        }
        switch (packet.type) {
        case kCommand:
        case kInquiry:
            handleMessage(*client, packet.payload, packet.sequence);
            break;
        case kControl:
            if (!admit(*client))
                break;
            // RESET: the client starts its sequence numbers again; the
            // bridge keeps none to reset, and says so.
            if (packet.payload == Bytes{kControlReset})
                sendControlReply(*client, {kControlReset}, packet.sequence);
            else
                sendControlReply(*client, {0x0F, kControlErrorMessage}, packet.sequence);
            break;
        case kReply:
        case kControlReply:
            break;  // another device's answers: answering them could start an endless exchange
        default:
            // Device settings (the camera's network, its name) and anything
            // unknown: refused.
            if (admit(*client))
                sendControlReply(*client, {0x0F, kControlErrorMessage}, packet.sequence);
            break;
        }
    }
}

void CameraListener::rawReadable(QUdpSocket* socket)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (!config_.allows(datagram.senderAddress()))
            continue;
        Client* client = udpClient(Framing::RawUdp, socket, datagram.senderAddress(), quint16(datagram.senderPort()));
        if (!client)
            continue;
        handleRaw(*client, datagram.data());
    }
}

// A datagram of raw VISCA: one message or several. It is whole, so bytes
// after its last FF are a message cut short.
void CameraListener::handleRaw(Client& client, const QByteArray& data)
{
    MessageSplitter split;
    split.Feed(Data(data), size_t(data.size()));
    Bytes message;
    for (auto r = split.Next(message); r != MessageSplitter::Result::None; r = split.Next(message))
        handleMessage(client, r == MessageSplitter::Result::Message ? message : Bytes{}, 0);
    if (split.Pending() > 0)
        handleMessage(client, {}, 0);
}

void CameraListener::tcpConnected(QTcpServer* server)
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        int connections = 0;
        for (const auto& entry : clients_)
            connections += entry.second->framing == Framing::Tcp;
        if (!config_.allows(socket->peerAddress()) || connections >= clientLimit_) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto client = std::make_unique<Client>();
        client->framing = Framing::Tcp;
        client->key =
            QStringLiteral("T %1 %2").arg(Where(socket->peerAddress(), socket->peerPort())).arg(quintptr(socket));
        client->tcp = socket;
        client->tokens = rate_;
        client->filledAt = clock_.elapsed();
        socket->setProperty("client", client->key);
        clients_.emplace(client->key, std::move(client));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { tcpReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { tcpGone(socket); });
    }
}

void CameraListener::tcpReadable(QTcpSocket* socket)
{
    const auto it = clients_.find(socket->property("client").toString());
    if (it == clients_.end())
        return;
    Client& client = *it->second;
    const QByteArray data = socket->readAll();
    client.splitter.Feed(Data(data), size_t(data.size()));
    Bytes message;
    for (auto r = client.splitter.Next(message); r != MessageSplitter::Result::None; r = client.splitter.Next(message))
        handleMessage(client, r == MessageSplitter::Result::Message ? message : Bytes{}, 0);
}

// A move stops when the client that set it going goes away.
void CameraListener::tcpGone(QTcpSocket* socket)
{
    const QString key = socket->property("client").toString();
    if (key == mover_ && (panTiltMoving_ || zoomMoving_ || focusMoving_))
        stopMoves();
    // Not at once: the socket may go in the middle of handling its own
    // messages (a client let go for not reading).
    QMetaObject::invokeMethod(
        this, [this, key] { clients_.erase(key); }, Qt::QueuedConnection);
    socket->deleteLater();
}

// ---- messages and replies ----

void CameraListener::handleMessage(Client& client, const Bytes& bytes, uint32_t sequence)
{
    // A message from a device (9x to Fx: a camera's reply) is never
    // answered, so two devices pointed at each other do not talk forever.
    if (!bytes.empty() && (bytes[0] & 0x80) && (bytes[0] & 0x70))
        return;
    const int address = AddressOf(bytes);
    if (!admit(client)) {
        reply(client, Error(address, 0, kErrorBufferFull), sequence);
        return;
    }
    const Parsed parsed = ParseMessage(bytes);
    if (parsed.refusal != Refusal::None) {
        reply(client, Error(address, 0, parsed.refusal == Refusal::Syntax ? kErrorSyntax : kErrorNotExecutable),
            sequence);
        return;
    }
    const Message& m = parsed.message;
    switch (m.request) {
    case Request::InterfaceClear:
        // Broadcast is passed on round the daisy chain: it comes back as sent.
        reply(client, m.address == 8 ? bytes : Completion(m.address, 0), sequence);
        return;
    case Request::AddressSet:
        reply(client, AddressSetReply(2), sequence);  // one camera, address 1
        return;
    case Request::CommandCancel:
        if (m.socket >= 1 && m.socket <= 2 && client.busy[m.socket]) {
            for (Pending& p : pending_)
                if (p.client == client.key && p.socket == m.socket && p.cancelled)
                    p.cancelled->store(true);
        } else {
            reply(client, Error(m.address, m.socket, kErrorNoSocket), sequence);
        }
        return;
    default:
        break;
    }
    if (!cameraOpen_) {
        reply(client, Error(m.address, 0, kErrorNotExecutable), sequence);
        return;
    }
    if (IsInquiry(m.request)) {
        if (client.inquiries >= kInquiriesWaiting) {
            reply(client, Error(m.address, 0, kErrorBufferFull), sequence);
            return;
        }
        ++client.inquiries;
        post(client, m, 0, sequence);
        return;
    }
    const int socket = !client.busy[1] ? 1 : !client.busy[2] ? 2 : 0;
    if (socket == 0) {
        reply(client, Error(m.address, 0, kErrorBufferFull), sequence);
        return;
    }
    client.busy[socket] = true;
    reply(client, Ack(m.address, socket), sequence);
    noteMove(client, m);
    post(client, m, socket, sequence);
}

void CameraListener::post(Client& client, const Message& message, int socket, uint32_t sequence)
{
    Job job;
    job.id = nextJob_++;
    job.message = message;
    job.cancelled = std::make_shared<std::atomic_bool>(false);
    Pending pending{client.key, socket, sequence, message.address, job.cancelled};
    pending.focusMode = IsFocusMode(message);
    pending_.insert(job.id, pending);
    worker_->post(std::move(job));
}

void CameraListener::finished(quint64 id, bool done, const QByteArray& data, bool cancelled)
{
    const auto it = pending_.find(id);
    if (it == pending_.end())
        return;  // the guard's own stop
    const Pending p = *it;
    pending_.erase(it);
    // The panel follows the camera's focus mode even if the client has gone.
    if (p.focusMode && done && !data.isEmpty())
        emit focusModeChanged(uint8_t(data.at(0)) == ViscaExecutor::kFocusAutomatic);
    const auto found = clients_.find(p.client);
    if (found == clients_.end())
        return;  // the client has gone
    Client& client = *found->second;
    Bytes answer;
    if (p.socket == 0) {
        --client.inquiries;
        answer =
            done ? InquiryAnswer(p.address, Bytes(data.begin(), data.end())) : Error(p.address, 0, kErrorNotExecutable);
    } else {
        client.busy[p.socket] = false;
        answer = cancelled ? Error(p.address, p.socket, kErrorCancelled)
                 : done    ? Completion(p.address, p.socket)
                           : Error(p.address, p.socket, kErrorNotExecutable);
    }
    reply(client, answer, p.sequence);
}

void CameraListener::reply(Client& client, const Bytes& bytes, uint32_t sequence)
{
    switch (client.framing) {
    case Framing::Sony:
        if (client.udp)
            client.udp->writeDatagram(AsQt(BuildDatagram(kReply, sequence, bytes)), client.address, client.port);
        break;
    case Framing::RawUdp:
        if (client.udp)
            client.udp->writeDatagram(AsQt(bytes), client.address, client.port);
        break;
    case Framing::Tcp:
        // A client that sends without reading its replies is let go before
        // they pile up.
        if (client.tcp && client.tcp->bytesToWrite() > kUnreadReplies)
            client.tcp->abort();
        else if (client.tcp)
            client.tcp->write(AsQt(bytes));
        break;
    }
}

void CameraListener::sendControlReply(Client& client, const Bytes& payload, uint32_t sequence)
{
    if (client.udp)
        client.udp->writeDatagram(AsQt(BuildDatagram(kControlReply, sequence, payload)), client.address, client.port);
}

// ---- the longest-move guard ----

void CameraListener::noteMove(const Client& client, const Message& m)
{
    const bool start = IsMoveStart(m);
    switch (m.request) {
    case Request::PanTiltDrive:
        panTiltMoving_ = start;
        break;
    case Request::Zoom:
        zoomMoving_ = start;
        break;
    case Request::Focus:
        focusMoving_ = start;
        break;
    default:
        return;
    }
    if (start)
        mover_ = client.key;
    if (panTiltMoving_ || zoomMoving_ || focusMoving_)
        longestMove_->start(longestMoveMs_);
    else
        longestMove_->stop();
}

void CameraListener::stopMoves()
{
    panTiltMoving_ = zoomMoving_ = focusMoving_ = false;
    longestMove_->stop();
    mover_.clear();
    Job job;
    job.id = nextJob_++;
    job.stopAll = true;
    worker_->post(std::move(job));
}

}  // namespace ptzdeck::bridge
