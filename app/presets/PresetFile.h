// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The presets of generic cameras, which keep none of their own: for each
// camera (by its identity, BaseDevice::CameraIdentity) and each preset 0 to
// 9, where it pointed. One JSON file, presets.json in the user's
// configuration directory ($XDG_CONFIG_HOME/ptzdeck, else ~/.config/ptzdeck):
//
//   {"format": "ptzdeck presets 1",
//    "cameras": {"046d:0825 serial 1A2B": {"name": "Webcam C270",
//                                          "presets": {"3": {"pan": -36000, "tilt": 3600, "zoom": 120}}}}}
//
// Only the axes the camera has are kept (pan, tilt, zoom, focus, in the
// units of its absolute controls). Every change reads the file afresh and
// replaces it whole and atomically: written beside it, synced to disk, then
// renamed over it, so a crash leaves the old file or the new one, never a
// mix. A file that cannot be read as such is damaged: it is left exactly as
// it is and nothing is stored in it until someone mends or removes it.
#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

#include <lumetra/BaseDevice.h>

class PresetFile {
public:
    enum class Result { Done, Missing, Damaged, Unwritable };

    // The file in the user's configuration directory.
    PresetFile();
    explicit PresetFile(QString path) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    // Missing: the camera has no such preset (or there is no file yet).
    Result recall(const QString& camera, int preset, CameraPosition& position) const;
    Result store(const QString& camera, const QString& name, int preset, const CameraPosition& position);
    // Done also when there was nothing to clear.
    Result clear(const QString& camera, int preset);

    // Why the file was damaged or unwritable, after such a result.
    const QString& problem() const { return problem_; }

private:
    // Missing (no file), Done or Damaged.
    Result load(QJsonObject& root) const;
    Result save(const QJsonObject& root);

    QString path_;
    mutable QString problem_;
};
