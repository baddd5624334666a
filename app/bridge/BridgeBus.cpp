// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/BridgeBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>
#include <cstdio>

#include "panel/BusNames.h"

namespace ptzdeck::bridge {

using namespace ptzdeck::remote;

namespace {

QDBusConnection Bus(bool system) { return system ? QDBusConnection::systemBus() : QDBusConnection::sessionBus(); }

}  // namespace

BridgeBus::BridgeBus(QObject* parent) : QObject(parent) {}

bool BridgeBus::publish()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    system_ = !bus.isConnected();
    if (system_)
        bus = QDBusConnection::systemBus();
    const char* which = system_ ? "system" : "session";
    if (!bus.isConnected()) {
        std::fprintf(stderr, "ptzdeck-bridge: no D-Bus: the panel will not show the bridge\n");
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kBridgeObjectPath), this,
            QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QString::fromLatin1(kBridgeServiceName))) {
        std::fprintf(stderr, "ptzdeck-bridge: %s cannot be had on the %s bus (%s): the panel will not show it\n",
            kBridgeServiceName, which, qPrintable(bus.lastError().message()));
        bus.unregisterObject(QString::fromLatin1(kBridgeObjectPath));
        return false;
    }
    published_ = true;
    return true;
}

void BridgeBus::setServing(const QStringList& serving)
{
    if (serving == serving_)
        return;
    serving_ = serving;
    if (!published_)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kBridgeObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kBridgeInterface) << QVariantMap{{QStringLiteral("Serving"), serving_}}
           << QStringList();
    Bus(system_).send(signal);
}

}  // namespace ptzdeck::bridge
