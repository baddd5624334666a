// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/BridgeConfig.h"

#include "config/SettingLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <map>

namespace ptzdeck::bridge {
namespace {

QStringList Items(const QString& value)
{
    QStringList items;
    for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    return items;
}

// Why `value` is not a whole number from `low` to `high`; empty when it is.
QString Number(const QString& value, int low, int high, int& out)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < low || n > high)
        return QStringLiteral("\"%1\" is not a number from %2 to %3").arg(value).arg(low).arg(high);
    out = n;
    return {};
}

}  // namespace

bool BridgeConfig::allows(const QHostAddress& client) const
{
    // A v4 client on a dual-stack socket arrives as ::ffff:a.b.c.d.
    bool mapped = false;
    const quint32 v4 = client.toIPv4Address(&mapped);
    const QHostAddress plain = mapped ? QHostAddress(v4) : client;
    for (const auto& network : allow)
        if (plain.isInSubnet(network))
            return true;
    return false;
}

QString DefaultBridgeConfigPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/ptzdeck/bridge.conf");
}

BridgeConfig ReadBridgeConfig(const QString& path, QStringList& problems)
{
    BridgeConfig config;
    QFile file(path);
    if (!file.exists())
        return config;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        problems << QStringLiteral("%1: cannot be read (%2); the defaults apply").arg(path, file.errorString());
        return config;
    }
    using Reader = std::function<QString(const QString&)>;
    auto port = [&config](int BridgeConfig::*field) {
        return [&config, field](const QString& v) { return Number(v, 0, 65535, config.*field); };
    };
    auto percent = [](int& field) { return [&field](const QString& v) { return Number(v, 1, 1000, field); }; };
    // A table, laid out by hand.
    // clang-format off
    const std::map<QString, Reader> readers = {
        {QStringLiteral("listen"),
         [&config](const QString& v) {
             QList<QHostAddress> addresses;
             for (const QString& item : Items(v)) {
                 QHostAddress address;
                 if (!address.setAddress(item))
                     return QStringLiteral("\"%1\" is not an IP address").arg(item);
                 addresses << address;
             }
             if (addresses.isEmpty())
                 return QStringLiteral("names no address");
             config.listen = addresses;
             return QString();
         }},
        {QStringLiteral("sony-port"), port(&BridgeConfig::sonyPort)},
        {QStringLiteral("raw-udp-port"), port(&BridgeConfig::rawUdpPort)},
        {QStringLiteral("tcp-port"), port(&BridgeConfig::tcpPort)},
        {QStringLiteral("cameras"),
         [&config](const QString& v) {
             QList<int> cameras;
             if (v.trimmed() != QLatin1String("all")) {
                 for (const QString& item : Items(v)) {
                     int n = 0;
                     const QString why = Number(item, 1, 64, n);
                     if (!why.isEmpty())
                         return why;
                     cameras << n;
                 }
                 if (cameras.isEmpty())
                     return QStringLiteral("names no camera (\"all\" for every one)");
             }
             config.cameras = cameras;
             return QString();
         }},
        {QStringLiteral("allow"),
         [&config](const QString& v) {
             QList<QPair<QHostAddress, int>> networks;
             for (const QString& item : Items(v)) {
                 QPair<QHostAddress, int> network = QHostAddress::parseSubnet(item);
                 if (network.first.isNull()) {
                     QHostAddress single;
                     if (!single.setAddress(item))
                         return QStringLiteral("\"%1\" is not a network (address/prefix) or an address").arg(item);
                     network = {single, single.protocol() == QAbstractSocket::IPv6Protocol ? 128 : 32};
                 }
                 networks << network;
             }
             if (networks.isEmpty())
                 return QStringLiteral("names no network");
             config.allow = networks;
             return QString();
         }},
        {QStringLiteral("pan-speed"), percent(config.scale.pan)},
        {QStringLiteral("tilt-speed"), percent(config.scale.tilt)},
        {QStringLiteral("lens-speed"), percent(config.scale.lens)},
        {QStringLiteral("longest-move"),
         [&config](const QString& v) {
             int seconds = 0;
             const QString why = Number(v, 1, 3600, seconds);
             if (why.isEmpty())
                 config.longestMoveMs = seconds * 1000;
             return why;
         }},
        {QStringLiteral("clients"), [&config](const QString& v) { return Number(v, 1, 64, config.clients); }},
        {QStringLiteral("rate"), [&config](const QString& v) { return Number(v, 1, 100000, config.rate); }},
    };
    // clang-format on
    const QString name = QFileInfo(path).fileName();
    for (const SettingLine& setting : SettingLines(QString::fromUtf8(file.readAll()))) {
        QString why;
        if (!setting.hasEquals) {
            why = QStringLiteral("not a \"key = value\" line");
        } else {
            const auto reader = readers.find(setting.key);
            why = reader == readers.end() ? QStringLiteral("unknown key \"%1\"").arg(setting.key)
                                          : reader->second(setting.value);
        }
        if (!why.isEmpty())
            problems << QStringLiteral("%1:%2: %3; the line is ignored").arg(name).arg(setting.number).arg(why);
    }
    return config;
}

}  // namespace ptzdeck::bridge
