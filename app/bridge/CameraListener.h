// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One camera on the network: its Sony VISCA over IP port, its raw VISCA
// ports over UDP and TCP, the clients talking to it, and its worker. Runs
// on the main thread and never waits on the camera: a command is ACKed as
// soon as it is taken and answered again when the worker has done it.
//
// Every reply goes to the client that asked, in the framing it asked in.
// Each client has two command sockets, as a camera does: a third command
// while both are busy is refused with "buffer full". Clients beyond the
// configured number, clients outside the allowed networks and datagrams
// whose length fields disagree are not answered at all.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <map>

#include "bridge/BridgeConfig.h"
#include "bridge/CameraWorker.h"
#include "visca/ViscaFraming.h"

class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

namespace ptzdeck::bridge {

class CameraListener : public QObject {
    Q_OBJECT

public:
    // Camera `number` (1 = the panel's first), the one at `devicePath`.
    CameraListener(int number, QByteArray devicePath, const BridgeConfig& config, QObject* parent = nullptr);
    ~CameraListener() override;

    const QByteArray& devicePath() const { return devicePath_; }
    // "Sony UDP 127.0.0.1:52381", ... what is listening now.
    const QStringList& serving() const { return serving_; }
    // The camera could not be opened; the roster tries again at the next
    // change of devices.
    bool failed() const { return failed_; }
    // Serving since the camera opened (its ports are then what `serving` says).
    bool open() const { return cameraOpen_; }

signals:
    void openedOrFailed();
    // A client's command set the camera's focus automatic or manual.
    void focusModeChanged(bool automatic);

private:
    enum class Framing { Sony, RawUdp, Tcp };
    struct Client;
    struct Pending {
        QString client;
        int socket = 0;  // 0: an inquiry
        uint32_t sequence = 0;
        int address = 1;
        std::shared_ptr<std::atomic_bool> cancelled;
        bool focusMode = false;  // sets the focus mode, and answers which
    };

    void listen(const BridgeConfig& config);
    void sonyReadable(QUdpSocket* socket);
    void rawReadable(QUdpSocket* socket);
    void tcpConnected(QTcpServer* server);
    void tcpReadable(QTcpSocket* socket);
    void tcpGone(QTcpSocket* socket);

    Client* udpClient(Framing framing, QUdpSocket* socket, const QHostAddress& address, quint16 port);
    bool admit(Client& client);
    void handleRaw(Client& client, const QByteArray& data);
    void handleMessage(Client& client, const lumetra::visca::Bytes& bytes, uint32_t sequence);
    void reply(Client& client, const lumetra::visca::Bytes& bytes, uint32_t sequence);
    void sendControlReply(Client& client, const lumetra::visca::Bytes& payload, uint32_t sequence);
    void post(Client& client, const lumetra::visca::Message& message, int socket, uint32_t sequence);
    void finished(quint64 id, bool done, const QByteArray& data, bool cancelled);
    void noteMove(const Client& client, const lumetra::visca::Message& message);
    void stopMoves();

    int number_;
    QByteArray devicePath_;
    int clientLimit_;
    int rate_;
    int longestMoveMs_;
    BridgeConfig config_;
    QStringList serving_;

    CameraWorker* worker_ = nullptr;
    bool cameraOpen_ = false;
    bool failed_ = false;

    std::map<QString, std::unique_ptr<Client>> clients_;
    QHash<quint64, Pending> pending_;
    quint64 nextJob_ = 1;
    QElapsedTimer clock_;  // for the rate limits; never a timer

    // Which axes a client has set moving, and who moved last; the guard
    // runs only while something moves.
    bool panTiltMoving_ = false;
    bool zoomMoving_ = false;
    bool focusMoving_ = false;
    QString mover_;
    QTimer* longestMove_ = nullptr;
};

}  // namespace ptzdeck::bridge
