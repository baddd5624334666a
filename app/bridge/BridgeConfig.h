// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The bridge's one configuration file, bridge.conf: `key = value` lines,
// `#` starts a comment. A line that cannot be read is reported with its
// number and why, and the others still apply. The keys and their defaults:
//
//   listen = 127.0.0.1          addresses to listen on, comma-separated
//   sony-port = 52381           Sony VISCA over IP (UDP) of camera 1; camera N on +N-1; 0: none
//   raw-udp-port = 1259         raw VISCA over UDP, numbered the same way; 0: none
//   tcp-port = 5678             raw VISCA over TCP, numbered the same way; 0: none
//   cameras = all               which cameras (1 = the panel's first), e.g. 1,3
//   allow = 127.0.0.0/8, ::1    client networks that may talk to the bridge
//   pan-speed = 100             percent of the camera's speed VISCA's fastest maps onto
//   tilt-speed = 100
//   lens-speed = 100            zoom and focus
//   longest-move = 30           seconds a move lasts without a new command
//   clients = 8                 clients each camera serves at once
//   rate = 100                  messages a second each client may send
#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "bridge/ViscaExecutor.h"

namespace ptzdeck::bridge {

struct BridgeConfig {
    QList<QHostAddress> listen{QHostAddress(QHostAddress::LocalHost)};
    int sonyPort = 52381;
    int rawUdpPort = 1259;
    int tcpPort = 5678;
    QList<int> cameras;  // empty: all
    QList<QPair<QHostAddress, int>> allow{
        {QHostAddress(QStringLiteral("127.0.0.0")), 8}, {QHostAddress(QHostAddress::LocalHostIPv6), 128}};
    SpeedScale scale;
    int longestMoveMs = 30000;
    int clients = 8;
    int rate = 100;

    bool serves(int camera) const { return cameras.isEmpty() || cameras.contains(camera); }
    bool allows(const QHostAddress& client) const;
};

// The file at `path`, over the defaults. A missing file is the defaults;
// each problem is one line in `problems` ("bridge.conf:3: ...").
BridgeConfig ReadBridgeConfig(const QString& path, QStringList& problems);

// $XDG_CONFIG_HOME/ptzdeck/bridge.conf, else ~/.config/ptzdeck/bridge.conf.
QString DefaultBridgeConfigPath();

}  // namespace ptzdeck::bridge
