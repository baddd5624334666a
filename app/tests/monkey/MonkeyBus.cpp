// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "MonkeyBus.h"

#include <QDir>
#include <QFile>

namespace monkey {

MonkeyBus::MonkeyBus()
{
    if (!dir.isValid())
        return;
    // The log exists before any window watches the directory.
    QFile log(dir.filePath(QStringLiteral("requests.log")));
    log.open(QIODevice::WriteOnly);
    qputenv("LUMETRA_SIM_DIR", QFile::encodeName(dir.path()));
}

void MonkeyBus::write(const QString& name, const CameraFile& file, bool inPlace)
{
    QByteArray text = "name=Monkey camera " + name.toUtf8() + "\n";
    text += file.supported ? "path=\\\\?\\usb#vid_0000&pid_8888&mi_00#" + name.toUtf8() + "\n"
                           : "path=\\\\?\\usb#vid_046d&pid_0825&mi_00#" + name.toUtf8() + "\n";
    for (const QString& line : file.properties)
        text += line.toUtf8() + "\n";
    if (file.bagMissing)
        text += "fault.property-bag=missing\n";
    if (file.bindFails)
        text += "fault.bind=fail\n";
    if (!file.missingInterfaces.isEmpty())
        text += "fault.interface=" + file.missingInterfaces.join(',').toUtf8() + "\n";
    for (auto it = file.failing.begin(); it != file.failing.end(); ++it)
        text += "fault." + it.key().toUtf8() + "=" + it.value().toUtf8() + "\n";
    // One more byte per edit: a camera notices an edit by size or time, and
    // two edits may share a time stamp.
    text += "#" + QByteArray(file.edits, '.') + "\n";

    const QString camPath = dir.filePath(name + QStringLiteral(".cam"));
    if (inPlace) {
        QFile cam(camPath);
        if (!cam.open(QIODevice::WriteOnly | QIODevice::Truncate) || cam.write(text) != text.size())
            qFatal("cannot edit %s", qPrintable(camPath));
        return;
    }
    const QString part = dir.filePath(name + QStringLiteral(".part"));
    QFile staging(part);
    if (!staging.open(QIODevice::WriteOnly | QIODevice::Truncate) || staging.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(part));
    staging.close();
    if (!QFile::rename(part, camPath))
        qFatal("cannot plug %s", qPrintable(camPath));
}

void MonkeyBus::plug(const QString& name, CameraFile file)
{
    if (files_.contains(name))
        qFatal("%s is plugged already", qPrintable(name));
    file.generation = nextGeneration++;
    file.edits = 0;
    write(name, file, false);
    files_.insert(name, file);
}

void MonkeyBus::unplug(const QString& name)
{
    if (!QFile::remove(dir.filePath(name + QStringLiteral(".cam"))))
        qFatal("cannot unplug %s", qPrintable(name));
    files_.remove(name);
}

void MonkeyBus::unplugAll()
{
    for (const QString& name : files_.keys())
        unplug(name);
}

void MonkeyBus::edit(const QString& name, const std::function<void(CameraFile&)>& change)
{
    auto it = files_.find(name);
    if (it == files_.end())
        qFatal("%s is not plugged", qPrintable(name));
    change(*it);
    ++it->edits;
    write(name, *it, true);
}

QList<CameraId> MonkeyBus::cameras() const
{
    // QMap keeps the names in order; they are ASCII, so this is byte order.
    QList<CameraId> out;
    for (auto it = files_.begin(); it != files_.end(); ++it)
        if (it->counted())
            out << CameraId{it.key(), it->generation};
    return out;
}

bool MonkeyBus::alive(const CameraId& id) const
{
    const auto it = files_.find(id.name);
    return it != files_.end() && it->generation == id.generation;
}

const CameraFile* MonkeyBus::file(const CameraId& id) const
{
    const auto it = files_.find(id.name);
    return it != files_.end() && it->generation == id.generation ? &*it : nullptr;
}

QStringList MonkeyBus::takeLog()
{
    QFile log(dir.filePath(QStringLiteral("requests.log")));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(logRead))
        return {};
    const QByteArray tail = log.readAll();
    const int complete = tail.lastIndexOf('\n') + 1;
    logRead += complete;
    QStringList lines = QString::fromUtf8(tail.left(complete)).split('\n');
    lines.removeAll(QString());
    return lines;
}

}  // namespace monkey
