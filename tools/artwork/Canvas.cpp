// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Canvas.h"

#include "Scale.h"

#include <QLinearGradient>
#include <QtMath>
#include <vector>

#include <zlib.h>

QImage newCanvas(int width, int height)
{
    const int scale = CanvasScale::current();
    QImage img(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::transparent);
    return img;
}

uint32_t Grain::next()
{
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

double Grain::unit() { return (next() >> 8) / double(1u << 24); }

namespace {

// Noise blurred along x with a running box: long horizontal streaks.
std::vector<double> streakRow(Grain& g, int width, int reach)
{
    const int pad = reach;
    std::vector<double> raw(width + 2 * pad);
    for (double& v : raw)
        v = g.signedUnit();
    std::vector<double> row(width);
    double sum = 0;
    for (int i = 0; i < 2 * reach + 1; ++i)
        sum += raw[i];
    for (int x = 0; x < width; ++x) {
        row[x] = sum / (2 * reach + 1);
        if (x + 2 * reach + 1 < int(raw.size()))
            sum += raw[x + 2 * reach + 1] - raw[x];
    }
    return row;
}

int clampByte(double v) { return qBound(0, qRound(v), 255); }

}  // namespace

void fillBrushedMetal(
    QPainter& p, const QPainterPath& area, const QColor& top, const QColor& bottom, double streaks, uint32_t seed)
{
    const QRect area1x = area.boundingRect().toAlignedRect();
    if (area1x.isEmpty())
        return;
    // The grain is made in the canvas's own pixels, so it stays as fine at
    // any scale.
    const int scale = qRound(p.device()->devicePixelRatioF());
    const QRect box(area1x.topLeft() * scale, area1x.size() * scale);
    QImage tex(box.size(), QImage::Format_ARGB32_Premultiplied);
    Grain g(seed);
    double rowDrift = 0;
    for (int y = 0; y < box.height(); ++y) {
        const double t = box.height() > 1 ? double(y) / (box.height() - 1) : 0.0;
        const double r = top.redF() + (bottom.redF() - top.redF()) * t;
        const double gr = top.greenF() + (bottom.greenF() - top.greenF()) * t;
        const double b = top.blueF() + (bottom.blueF() - top.blueF()) * t;
        rowDrift = rowDrift * 0.6 + g.signedUnit() * 0.4;
        const std::vector<double> longStreak = streakRow(g, box.width(), 24 * scale);
        const std::vector<double> shortStreak = streakRow(g, box.width(), 4 * scale);
        auto* line = reinterpret_cast<QRgb*>(tex.scanLine(y));
        for (int x = 0; x < box.width(); ++x) {
            const double d = streaks * (0.55 * rowDrift + 2.2 * longStreak[x] + 1.1 * shortStreak[x])
                             + 0.35 * streaks * g.signedUnit();
            line[x] = qRgb(clampByte(r * 255 + d), clampByte(gr * 255 + d), clampByte(b * 255 + d * 1.05));
        }
    }
    p.save();
    p.setClipPath(area, Qt::IntersectClip);
    tex.setDevicePixelRatio(scale);
    p.drawImage(area1x.topLeft(), tex);
    p.restore();
}

QPainterPath roundedRectPath(const QRectF& r, double radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

void drawWell(QPainter& p, const QRectF& r, double radius, const QColor& floor)
{
    p.save();
    p.setPen(Qt::NoPen);
    // Light lip one pixel below the opening.
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawPath(roundedRectPath(r.translated(0, 1), radius));
    // Dark edge of the cut.
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawPath(roundedRectPath(r, radius));
    // Floor, with a soft shadow under the upper edge.
    const QRectF inner = r.adjusted(1, 1, -1, -1);
    QLinearGradient floorShade(inner.topLeft(), inner.bottomLeft());
    floorShade.setColorAt(0.0, floor.darker(160));
    floorShade.setColorAt(qMin(1.0, 3.0 / qMax(1.0, inner.height())), floor);
    floorShade.setColorAt(1.0, floor.lighter(108));
    p.setBrush(floorShade);
    p.drawPath(roundedRectPath(inner, qMax(0.0, radius - 1)));
    p.restore();
}

void drawBevelRing(QPainter& p, const QRectF& r, double radius, double width, int lightAlpha, int darkAlpha)
{
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(255, 255, 255, lightAlpha));
    g.setColorAt(0.5, QColor(128, 128, 128, 0));
    g.setColorAt(1.0, QColor(0, 0, 0, darkAlpha));
    QPainterPath ring = roundedRectPath(r, radius);
    ring = ring.subtracted(roundedRectPath(r.adjusted(width, width, -width, -width), qMax(0.0, radius - width)));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(ring);
    p.restore();
}

void drawEngravedText(QPainter& p, const QRectF& box, int flags, const QString& text, const QFont& font,
    const QColor& ink, const QColor& highlight)
{
    p.save();
    p.setFont(font);
    p.setPen(highlight);
    p.drawText(box.translated(0, 1), flags, text);
    p.setPen(ink);
    p.drawText(box, flags, text);
    p.restore();
}

QImage straightAlpha(const QImage& img) { return img.convertToFormat(QImage::Format_ARGB32); }

namespace {

void appendBigEndian(QByteArray& out, quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data)
{
    appendBigEndian(png, static_cast<quint32>(data.size()));
    const int typeAt = png.size();
    png.append(type, 4);
    png.append(data);
    const auto* covered = reinterpret_cast<const Bytef*>(png.constData() + typeAt);
    appendBigEndian(png, static_cast<quint32>(crc32(0, covered, static_cast<uInt>(4 + data.size()))));
}

}  // namespace

QByteArray encodePng(const QImage& img)
{
    // Written here rather than by Qt's writer, whose adaptive row filters
    // (mostly Paeth) made these flat, smooth faces both larger and several
    // times dearer to decode, which the panel does at every start. Unfiltered
    // rows at zlib's strongest level are the smallest and cheapest here.
    const QImage rgba = img.convertToFormat(QImage::Format_RGBA8888);
    const int rowBytes = rgba.width() * 4;
    QByteArray rows;
    rows.reserve((rowBytes + 1) * rgba.height());
    for (int y = 0; y < rgba.height(); ++y) {
        rows.append('\0');  // filter type None
        rows.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rowBytes);
    }
    uLongf packedLength = compressBound(static_cast<uLong>(rows.size()));
    QByteArray packed(static_cast<int>(packedLength), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedLength, reinterpret_cast<const Bytef*>(rows.constData()),
        static_cast<uLong>(rows.size()), 9);
    packed.truncate(static_cast<int>(packedLength));

    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(rgba.width()));
    appendBigEndian(header, static_cast<quint32>(rgba.height()));
    header.append("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, deflate, no interlace
    QByteArray density;
    appendBigEndian(density, 3780);  // 96 dpi, in pixels per metre
    appendBigEndian(density, 3780);
    density.append('\x01');

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "pHYs", density);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}
