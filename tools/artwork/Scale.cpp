// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Scale.h"

namespace {
int g_scale = 1;
}

CanvasScale::CanvasScale(int scale) : previous_(g_scale) { g_scale = scale; }

CanvasScale::~CanvasScale() { g_scale = previous_; }

int CanvasScale::current() { return g_scale; }

QString scaledName(const QString& name)
{
    if (g_scale == 1)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return name.left(dot) + QStringLiteral("@%1x").arg(g_scale) + name.mid(dot);
}

QImage pixelArt(const QImage& img)
{
    if (g_scale == 1)
        return img;
    return img.scaled(img.size() * g_scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
