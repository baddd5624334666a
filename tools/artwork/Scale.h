// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// Every picture is also drawn at twice its size, as "<name>@2x.png", which Qt
// picks instead of "<name>.png" on a screen of device-pixel ratio 2. The
// drawing code keeps working in the program's pixels: canvases made while a
// CanvasScale is alive have the scale's pixels per program pixel, and
// painters on them draw that much finer.
#include <QImage>
#include <QString>

class CanvasScale {
public:
    explicit CanvasScale(int scale);
    ~CanvasScale();
    CanvasScale(const CanvasScale&) = delete;
    CanvasScale& operator=(const CanvasScale&) = delete;

    static int current();  // 1 unless a CanvasScale is alive

private:
    int previous_;
};

// "a.png" at scale 1, "a@2x.png" at scale 2.
QString scaledName(const QString& name);

// Pixel art (the pixel-font captions) at the current scale: each pixel
// becomes a square block, as crisp as the original.
QImage pixelArt(const QImage& img);
