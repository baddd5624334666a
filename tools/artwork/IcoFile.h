// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// Writes a Windows icon file (.ico): a directory of images, each stored either
// as a 32-bit device-independent bitmap (BGRA colour plus a 1-bit AND mask,
// rows bottom-up, height field doubled) or, for large sizes, as a whole PNG file.
#include <QByteArray>
#include <QImage>
#include <QVector>

struct IcoEntry {
    QImage image;   // square, at most 256 px
    bool storePng;  // true: embed PNG bytes; false: 32-bit bitmap
};

QByteArray icoFile(const QVector<IcoEntry>& entries);
