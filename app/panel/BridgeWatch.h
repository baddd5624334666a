// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Whether ptzdeck-bridge serves, on which ports, and the changes its
// clients make to the cameras, as the bridge tells them on the session bus
// (by hand, the user unit) or the system bus (the system unit). The bus
// says when the bridge's name gains or loses its owner, however the bridge
// ends, and carries its signals: nothing is polled.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace ptzdeck::remote {

// The bridge as one bus sees it.
class BridgeOnBus : public QObject {
    Q_OBJECT

public:
    BridgeOnBus(const QDBusConnection& bus, QObject* parent);

    bool running() const { return running_; }
    const QStringList& serving() const { return serving_; }

signals:
    void changed();
    void focusModeChanged(const QString& device, bool automatic);

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    void read();
    void gone();

    QDBusConnection bus_;
    bool running_ = false;
    QStringList serving_;
};

class BridgeWatch : public QObject {
    Q_OBJECT

public:
    explicit BridgeWatch(QObject* parent = nullptr);

    bool running() const;
    // One line a camera served: "camera 1: Sony UDP 127.0.0.1:52381, ...".
    QStringList serving() const;

signals:
    void changed();
    // A bridge client set the camera at `device` (its video node) to
    // automatic or manual focus.
    void focusModeChanged(const QString& device, bool automatic);

private:
    BridgeOnBus* session_;
    BridgeOnBus* system_;
};

}  // namespace ptzdeck::remote
