// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel's network cameras: cameras.conf, given to the library and
// followed as it changes (by the file system's notices, never by polling).
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace ptzdeck {

class NetworkCameraFile : public QObject {
    Q_OBJECT
public:
    explicit NetworkCameraFile(QObject* parent = nullptr);

    // Reads the file now (before the first pass over the cameras), then
    // follows it.
    void start();

signals:
    // The library lists other network cameras than before.
    void changed();

private:
    void reload();
    void watch();

    QString path_;
    QByteArray applied_;  // the text last given to the library
    bool read_ = false;
    QFileSystemWatcher watcher_;
};

}  // namespace ptzdeck
