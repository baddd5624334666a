// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// Drawing helpers shared by the faces: canvases, a reproducible grain, brushed
// metal, recessed wells and PNG encoding with fixed settings.
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <cstdint>

// A transparent premultiplied canvas; painters on it antialias.
QImage newCanvas(int width, int height);

// Small reproducible pseudo-random source (xorshift32): the pictures must come
// out byte-identical on every run.
class Grain {
public:
    explicit Grain(uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
    uint32_t next();
    double unit();  // in [0, 1)
    double signedUnit() { return unit() * 2.0 - 1.0; }

private:
    uint32_t state_;
};

// Fills `area` with horizontally brushed metal: `top` and `bottom` give the
// vertical shading, `streaks` the strength of the brushing in grey levels.
void fillBrushedMetal(
    QPainter& p, const QPainterPath& area, const QColor& top, const QColor& bottom, double streaks, uint32_t seed);

QPainterPath roundedRectPath(const QRectF& r, double radius);

// A recess cut into the face: dark floor, shadow along its upper edge and a
// light lip along its lower edge, as if lit from above.
void drawWell(QPainter& p, const QRectF& r, double radius, const QColor& floor);

// A raised rim around `r` (outer bevel): light above, dark below.
void drawBevelRing(QPainter& p, const QRectF& r, double radius, double width, int lightAlpha, int darkAlpha);

// Text stamped into metal: a one-pixel highlight below the ink makes it look engraved.
void drawEngravedText(QPainter& p, const QRectF& box, int flags, const QString& text, const QFont& font,
    const QColor& ink, const QColor& highlight);

// Straight ARGB copy (what the PNG writer stores as 8-bit RGBA).
QImage straightAlpha(const QImage& img);

// PNG bytes with fixed writer settings (no gamma, no text, fixed density).
QByteArray encodePng(const QImage& img);
