// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devices/NetworkCameraFile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <vector>

#include "config/CamerasFile.h"
#include "lumetra/BaseDevice.h"

namespace ptzdeck {

NetworkCameraFile::NetworkCameraFile(QObject* parent)
    : QObject(parent), path_(QString::fromStdString(CamerasFilePath()))
{
    // A file written aside and renamed over this one is a new file: the
    // directory's notice finds it, and it is watched again.
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &NetworkCameraFile::reload);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &NetworkCameraFile::reload);
}

void NetworkCameraFile::start() { reload(); }

// The file, and the nearest folder of it that exists, so that making
// ~/.config/ptzdeck is noticed too.
void NetworkCameraFile::watch()
{
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty())
        watcher_.removePaths(watched);
    if (QFileInfo::exists(path_))
        watcher_.addPath(path_);
    QString folder = QFileInfo(path_).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != QFileInfo(folder).absolutePath())
        folder = QFileInfo(folder).absolutePath();
    watcher_.addPath(folder);
}

void NetworkCameraFile::reload()
{
    watch();
    QByteArray text;
    QFile file(path_);
    if (file.exists() && !file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("ptzdeck: cannot read %1 (%2); the network cameras stay as they were")
                                    .arg(path_, file.errorString());
        return;
    }
    if (file.isOpen())
        text = file.readAll();
    if (read_ && text == applied_)
        return;
    const CamerasFile cameras = ParseCamerasFile(text.toStdString());
    for (const std::string& problem : cameras.problems)
        qWarning().noquote()
            << QStringLiteral("ptzdeck: %1, %2; line ignored").arg(path_, QString::fromStdString(problem));
    std::vector<DeviceInfo> listed;
    for (const NetworkCameraEntry& entry : cameras.cameras) {
        DeviceInfo info;
        info.devicePath = entry.address;
        info.friendlyName = entry.name;
        listed.push_back(std::move(info));
    }
    if (!BaseDevice::SetNetworkCameras(listed)) {
        qWarning().noquote() << QStringLiteral("ptzdeck: %1: the library refused its addresses").arg(path_);
        return;
    }
    const bool first = !read_;
    read_ = true;
    applied_ = text;
    if (!first)
        emit changed();
}

}  // namespace ptzdeck
