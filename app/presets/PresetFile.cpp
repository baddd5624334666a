// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "presets/PresetFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const QString kFormat = QStringLiteral("ptzdeck presets 1");
constexpr qint64 kLargestFile = 4 * 1024 * 1024;

struct Axis {
    const char* key;
    int32_t CameraPosition::*field;
    uint32_t bit;
};
constexpr Axis kAxes[] = {
    {"pan", &CameraPosition::pan, PositionPan},
    {"tilt", &CameraPosition::tilt, PositionTilt},
    {"zoom", &CameraPosition::zoom, PositionZoom},
    {"focus", &CameraPosition::focus, PositionFocus},
};

bool IsPosition(const QJsonValue& value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::floor(number) == number && number >= std::numeric_limits<int32_t>::min()
           && number <= std::numeric_limits<int32_t>::max();
}

bool IsPresetNumber(const QString& key)
{
    return key.size() == 1 && key[0] >= QLatin1Char('0') && key[0] <= QLatin1Char('9');
}

// What is wrong with the file's content; empty when nothing is. Anything
// it does not know makes it damaged, so that a rewrite can lose nothing.
QString Fault(const QJsonObject& root)
{
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        return QStringLiteral("it does not say \"format\": \"%1\"").arg(kFormat);
    const QJsonValue cameras = root.value(QStringLiteral("cameras"));
    if (!cameras.isObject())
        return QStringLiteral("\"cameras\" is not an object");
    const QJsonObject byCamera = cameras.toObject();
    for (auto camera = byCamera.begin(); camera != byCamera.end(); ++camera) {
        const QJsonObject entry = camera.value().toObject();
        const QJsonValue name = entry.value(QStringLiteral("name"));
        const QJsonValue presets = entry.value(QStringLiteral("presets"));
        if (!camera.value().isObject() || (!name.isUndefined() && !name.isString()) || !presets.isObject())
            return QStringLiteral("camera \"%1\" is not a name and presets").arg(camera.key());
        const QJsonObject byNumber = presets.toObject();
        for (auto preset = byNumber.begin(); preset != byNumber.end(); ++preset) {
            if (!IsPresetNumber(preset.key()) || !preset.value().isObject())
                return QStringLiteral("camera \"%1\" has a preset \"%2\"").arg(camera.key(), preset.key());
            const QJsonObject axes = preset.value().toObject();
            for (auto axis = axes.begin(); axis != axes.end(); ++axis) {
                const bool known = std::any_of(std::begin(kAxes), std::end(kAxes),
                    [&](const Axis& a) { return axis.key() == QLatin1String(a.key); });
                if (!known || !IsPosition(axis.value()))
                    return QStringLiteral("preset %1 of camera \"%2\" has \"%3\"")
                        .arg(preset.key(), camera.key(), axis.key());
            }
        }
    }
    return QString();
}

QString ConfigurationDirectory()
{
    // The XDG base directory rule: a relative XDG_CONFIG_HOME is ignored.
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = !configured.isEmpty() && QDir::isAbsolutePath(configured)
                             ? configured
                             : QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/ptzdeck");
}

QString SystemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* at = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        left -= written;
    }
    return true;
}

// Where a write of `path` lands: through every symbolic link on the way
// (dotfile managers keep configuration files as links), to a target that
// may not exist yet. Empty, with errno set, for a loop or an unreadable link.
QByteArray WritePath(const QByteArray& path)
{
    constexpr int kMostLinks = 40;  // the kernel's own limit
    QByteArray at = path;
    for (int links = 0; links < kMostLinks; ++links) {
        struct stat status;
        if (::lstat(at.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return at;
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(at.constData(), target.data(), static_cast<size_t>(target.size()));
        if (length < 0)
            return QByteArray();
        if (length >= target.size()) {
            errno = ENAMETOOLONG;
            return QByteArray();
        }
        target.truncate(static_cast<int>(length));
        const int slash = at.lastIndexOf('/');
        at = target.startsWith('/') || slash < 0 ? target : at.left(slash + 1) + target;
    }
    errno = ELOOP;
    return QByteArray();
}

}  // namespace

PresetFile::PresetFile() : path_(ConfigurationDirectory() + QStringLiteral("/presets.json")) {}

PresetFile::Result PresetFile::load(QJsonObject& root) const
{
    root = QJsonObject{{QStringLiteral("format"), kFormat}, {QStringLiteral("cameras"), QJsonObject()}};
    QFile file(path_);
    // A link to a file not made yet is no file either.
    struct stat status;
    if (!file.exists() || (::stat(QFile::encodeName(path_).constData(), &status) != 0 && errno == ENOENT))
        return Result::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        problem_ = QStringLiteral("it cannot be read (%1)").arg(file.errorString());
        return Result::Damaged;
    }
    if (file.size() > kLargestFile) {
        problem_ = QStringLiteral("it is larger than a presets file can be");
        return Result::Damaged;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        problem_ = QStringLiteral("it is not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return Result::Damaged;
    }
    const QString fault = document.isObject() ? Fault(document.object()) : QStringLiteral("it is not an object");
    if (!fault.isEmpty()) {
        problem_ = fault;
        return Result::Damaged;
    }
    root = document.object();
    return Result::Done;
}

// Beside the file, synced, renamed over it, and the rename synced: at any
// moment the file on disk is the old one or the new one, whole. A link is
// written through, so that it stays a link: the file replaced is its target.
PresetFile::Result PresetFile::save(const QJsonObject& root)
{
    const QString linkDirectory = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(linkDirectory)) {
        problem_ = QStringLiteral("%1 cannot be made").arg(linkDirectory);
        return Result::Unwritable;
    }
    const QByteArray target = WritePath(QFile::encodeName(path_));
    if (target.isEmpty()) {
        problem_ = SystemError("the link to it cannot be followed");
        return Result::Unwritable;
    }
    const QString directory = QFileInfo(QFile::decodeName(target)).absolutePath();
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        problem_ = SystemError("a file beside it cannot be made");
        return Result::Unwritable;
    }
    // The file keeps the permissions it had.
    struct stat kept;
    if (::stat(target.constData(), &kept) == 0)
        ::fchmod(fd, kept.st_mode & 07777);
    bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!written)
        problem_ = SystemError("it cannot be written");
    if (::close(fd) != 0 && written) {
        written = false;
        problem_ = SystemError("it cannot be written");
    }
    if (written && ::rename(temporary.constData(), target.constData()) != 0) {
        written = false;
        problem_ = SystemError("it cannot be replaced");
    }
    if (!written) {
        ::unlink(temporary.constData());
        return Result::Unwritable;
    }
    const int directoryFd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryFd >= 0) {
        ::fsync(directoryFd);
        ::close(directoryFd);
    }
    return Result::Done;
}

PresetFile::Result PresetFile::recall(const QString& camera, int preset, CameraPosition& position) const
{
    QJsonObject root;
    const Result loaded = load(root);
    if (loaded != Result::Done)
        return loaded;
    const QJsonObject axes = root.value(QStringLiteral("cameras"))
                                 .toObject()
                                 .value(camera)
                                 .toObject()
                                 .value(QStringLiteral("presets"))
                                 .toObject()
                                 .value(QString::number(preset))
                                 .toObject();
    CameraPosition found;
    for (const Axis& axis : kAxes) {
        const QJsonValue value = axes.value(QLatin1String(axis.key));
        if (value.isUndefined())
            continue;
        found.*axis.field = static_cast<int32_t>(value.toDouble());
        found.axes |= axis.bit;
    }
    if (found.axes == 0)
        return Result::Missing;
    position = found;
    return Result::Done;
}

PresetFile::Result PresetFile::store(
    const QString& camera, const QString& name, int preset, const CameraPosition& position)
{
    QJsonObject root;
    if (load(root) == Result::Damaged)
        return Result::Damaged;
    QJsonObject axes;
    for (const Axis& axis : kAxes)
        if (position.axes & axis.bit)
            axes.insert(QLatin1String(axis.key), position.*axis.field);
    QJsonObject cameras = root.value(QStringLiteral("cameras")).toObject();
    QJsonObject entry = cameras.value(camera).toObject();
    QJsonObject presets = entry.value(QStringLiteral("presets")).toObject();
    presets.insert(QString::number(preset), axes);
    entry.insert(QStringLiteral("name"), name);
    entry.insert(QStringLiteral("presets"), presets);
    cameras.insert(camera, entry);
    root.insert(QStringLiteral("cameras"), cameras);
    return save(root);
}

PresetFile::Result PresetFile::clear(const QString& camera, int preset)
{
    QJsonObject root;
    const Result loaded = load(root);
    if (loaded != Result::Done)
        return loaded == Result::Missing ? Result::Done : loaded;
    QJsonObject cameras = root.value(QStringLiteral("cameras")).toObject();
    QJsonObject entry = cameras.value(camera).toObject();
    QJsonObject presets = entry.value(QStringLiteral("presets")).toObject();
    if (!presets.contains(QString::number(preset)))
        return Result::Done;
    presets.remove(QString::number(preset));
    if (presets.isEmpty()) {
        cameras.remove(camera);
    } else {
        entry.insert(QStringLiteral("presets"), presets);
        cameras.insert(camera, entry);
    }
    root.insert(QStringLiteral("cameras"), cameras);
    return save(root);
}
