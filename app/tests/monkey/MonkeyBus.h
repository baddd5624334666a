// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The monkey's simulated USB bus: the .cam files it plugs, edits and
// unplugs, what each says about its camera in the terms the camera library
// reads them, and the request log the cameras write.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace monkey {

struct CameraFile {
    bool supported = true;           // its device path is a supported model's
    bool bagMissing = false;         // fault.property-bag=missing
    bool bindFails = false;          // fault.bind=fail
    QStringList missingInterfaces;   // fault.interface=...
    QMap<QString, QString> failing;  // "camera-control.10" -> "ks-set,get"
    QStringList properties;          // property lines: ranges, values, "=none"
    int generation = 0;              // which plugging-in this file is
    int edits = 0;

    // Counted by enumeration as a supported camera.
    bool counted() const { return supported && !bagMissing; }
    // Open of it succeeds.
    bool opens() const { return !bindFails && missingInterfaces.isEmpty(); }
};

// One camera as plugged in: a file name and which plugging-in of that name.
struct CameraId {
    QString name;
    int generation = 0;
    bool valid() const { return generation > 0; }
    bool operator==(const CameraId& o) const { return name == o.name && generation == o.generation; }
    bool operator!=(const CameraId& o) const { return !(*this == o); }
};

class MonkeyBus {
public:
    // Names LUMETRA_SIM_DIR: must run before the process's first library call.
    MonkeyBus();

    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }

    // A new file, complete at once (written aside, then renamed).
    void plug(const QString& name, CameraFile file);
    void unplug(const QString& name);
    void unplugAll();
    // Rewrites the file in place (same file: the camera keeps its values),
    // always growing it so that the change is seen however quickly it follows.
    void edit(const QString& name, const std::function<void(CameraFile&)>& change);

    const QMap<QString, CameraFile>& files() const { return files_; }
    bool anyFile() const { return !files_.isEmpty(); }
    // The supported cameras in system order (file-name order).
    QList<CameraId> cameras() const;
    // Its file is still the one it was plugged in as.
    bool alive(const CameraId& id) const;
    const CameraFile* file(const CameraId& id) const;

    // Complete lines of requests.log written since the last call.
    QStringList takeLog();

private:
    void write(const QString& name, const CameraFile& file, bool inPlace);

    QTemporaryDir dir;
    QMap<QString, CameraFile> files_;
    int nextGeneration = 1;
    qint64 logRead = 0;
};

}  // namespace monkey
