// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// A simulated USB bus for the window's tests: a temporary directory of `.cam`
// files handed to the camera library through LUMETRA_SIM_DIR, and the
// requests the simulated cameras received (requests.log, one line each).
#pragma once

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

class SimulatedBus {
public:
    // Must run before the first library call of the process: the library
    // picks its backend once.
    SimulatedBus() { qputenv("LUMETRA_SIM_DIR", QFile::encodeName(dir.path())); }

    QString path() const { return dir.path(); }

    // A device path that the library recognises as a supported camera.
    static QString supportedPath(const QString& serial)
    {
        return QStringLiteral("\\\\?\\usb#vid_0000&pid_8888&mi_00#%1#{65e8773d-8f56-11d0-a3b9-00a0c9223196}")
            .arg(serial);
    }

    // Plugs a camera: `<baseName>.cam` appears at once, complete (written
    // aside and renamed, as a device arrives whole).
    void plug(const QString& baseName, const QStringList& lines)
    {
        const QString part = dir.filePath(baseName + QStringLiteral(".part"));
        QFile file(part);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(part));
        QTextStream out(&file);
        for (const QString& line : lines)
            out << line << '\n';
        out.flush();
        file.close();
        const QString cam = dir.filePath(baseName + QStringLiteral(".cam"));
        QFile::remove(cam);
        if (!QFile::rename(part, cam))
            qFatal("cannot plug %s", qPrintable(cam));
    }

    // A supported camera with the given property lines.
    void plugCamera(const QString& baseName, const QStringList& properties = {})
    {
        QStringList lines{
            QStringLiteral("name=PTZ camera %1").arg(baseName), QStringLiteral("path=") + supportedPath(baseName)};
        plug(baseName, lines + properties);
    }

    void unplug(const QString& baseName) { QFile::remove(dir.filePath(baseName + QStringLiteral(".cam"))); }

    void unplugAll()
    {
        for (const QString& name : QDir(dir.path()).entryList({QStringLiteral("*.cam")}, QDir::Files))
            QFile::remove(dir.filePath(name));
    }

    QStringList requests() const
    {
        QFile file(dir.filePath(QStringLiteral("requests.log")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    // Requests of one kind ("ks-set", "get", ...), optionally of one camera.
    QStringList requests(const QString& kind, const QString& baseName = QString()) const
    {
        QStringList out;
        for (const QString& line : requests()) {
            const QStringList words = line.split(' ');
            if (words.size() >= 2 && words[1] == kind && (baseName.isEmpty() || words[0] == baseName))
                out << line;
        }
        return out;
    }

    QStringList requestsOf(const QString& baseName) const
    {
        QStringList out;
        for (const QString& line : requests())
            if (line.startsWith(baseName + ' '))
                out << line;
        return out;
    }

    // Truncated, not removed: the library may keep the log open for appending.
    void clearRequests() { QFile::resize(dir.filePath(QStringLiteral("requests.log")), 0); }

private:
    QTemporaryDir dir;
};
