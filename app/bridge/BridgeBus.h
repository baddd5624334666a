// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The bridge on D-Bus, for the panel: that it serves (the name is owned
// while it runs, and the bus frees it however it ends), on which ports, and
// the changes its clients made that the panel shows. Nothing is asked of
// the bridge but a property's value, so the panel never wakes it.
#pragma once

#include <QObject>
#include <QStringList>

namespace ptzdeck::bridge {

class BridgeBus : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.ptzdeck.Bridge")
    // One line a camera served: "camera 1: Sony UDP 127.0.0.1:52381, ...".
    Q_PROPERTY(QStringList Serving READ serving)

public:
    explicit BridgeBus(QObject* parent = nullptr);

    // Takes the name on the session bus, or on the system bus where there is
    // no session (the system unit). False, said on stderr, on neither.
    bool publish();

    const QStringList& serving() const { return serving_; }
    void setServing(const QStringList& serving);

signals:
    // A client set the camera at `device` (its video node) to automatic or
    // manual focus.
    void FocusModeChanged(const QString& device, bool automatic);

private:
    QStringList serving_;
    bool published_ = false;
    bool system_ = false;
};

}  // namespace ptzdeck::bridge
