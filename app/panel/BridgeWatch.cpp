// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "panel/BridgeWatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include "panel/BusNames.h"

namespace ptzdeck::remote {

namespace {
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
}

BridgeOnBus::BridgeOnBus(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus)
{
    if (!bus_.isConnected())
        return;
    const QString name = QString::fromLatin1(kBridgeServiceName);
    const QString path = QString::fromLatin1(kBridgeObjectPath);
    auto* owner = new QDBusServiceWatcher(name, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString&, const QString&, const QString& now) { now.isEmpty() ? gone() : read(); });
    bus_.connect(name, path, kProperties, QStringLiteral("PropertiesChanged"), this,
        SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    bus_.connect(name, path, QString::fromLatin1(kBridgeInterface), QStringLiteral("FocusModeChanged"), this,
        SIGNAL(focusModeChanged(QString, bool)));
    read();  // a bridge that runs already
}

// Asked without waiting: the answer, or that there is no bridge, comes as an event.
void BridgeOnBus::read()
{
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kBridgeServiceName),
        QString::fromLatin1(kBridgeObjectPath), kProperties, QStringLiteral("Get"));
    get << QString::fromLatin1(kBridgeInterface) << QStringLiteral("Serving");
    get.setAutoStartService(false);
    auto* answer = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isError()) {
            gone();
            return;
        }
        running_ = true;
        serving_ = reply.value().variant().toStringList();
        emit changed();
    });
}

void BridgeOnBus::gone()
{
    if (!running_)
        return;
    running_ = false;
    serving_.clear();
    emit changed();
}

void BridgeOnBus::propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
{
    if (interface != QLatin1String(kBridgeInterface) || !changed.contains(QStringLiteral("Serving")))
        return;
    running_ = true;
    serving_ = changed.value(QStringLiteral("Serving")).toStringList();
    emit this->changed();
}

BridgeWatch::BridgeWatch(QObject* parent)
    : QObject(parent),
      session_(new BridgeOnBus(QDBusConnection::sessionBus(), this)),
      system_(new BridgeOnBus(QDBusConnection::systemBus(), this))
{
    for (BridgeOnBus* bus : {session_, system_}) {
        connect(bus, &BridgeOnBus::changed, this, &BridgeWatch::changed);
        connect(bus, &BridgeOnBus::focusModeChanged, this, &BridgeWatch::focusModeChanged);
    }
}

bool BridgeWatch::running() const { return session_->running() || system_->running(); }

QStringList BridgeWatch::serving() const { return session_->serving() + system_->serving(); }

}  // namespace ptzdeck::remote
