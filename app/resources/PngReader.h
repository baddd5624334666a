// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel's pictures, decoded by libpng straight into the image Qt paints.
#pragma once

#include <QImage>

class QIODevice;
class QString;

// A PNG as Qt's own decoder gives it (ARGB32, or RGB32 without alpha),
// without the plug-in lookups of Qt's image reader; null on any fault.
QImage ReadPng(QIODevice* device);
QImage ReadPng(const QString& fileName);
