// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "IcoFile.h"

#include "Canvas.h"

namespace {

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

QByteArray bitmapEntry(const QImage& source)
{
    const QImage img = straightAlpha(source);
    const int w = img.width();
    const int h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);  // BITMAPINFOHEADER size
    put32(out, quint32(w));
    put32(out, quint32(2 * h));  // colour rows plus mask rows
    put16(out, 1);               // planes
    put16(out, 32);              // bits per pixel
    put32(out, 0);               // BI_RGB
    put32(out, quint32(w * h * 4 + maskStride * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    // The AND mask marks fully transparent pixels for readers that ignore alpha.
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

}  // namespace

QByteArray icoFile(const QVector<IcoEntry>& entries)
{
    QVector<QByteArray> payloads;
    for (const IcoEntry& e : entries)
        payloads.append(e.storePng ? encodePng(e.image) : bitmapEntry(e.image));

    QByteArray out;
    put16(out, 0);  // reserved
    put16(out, 1);  // icon (not cursor)
    put16(out, quint16(entries.size()));
    quint32 offset = quint32(6 + 16 * entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const QImage& img = entries[i].image;
        out.append(char(img.width() >= 256 ? 0 : img.width()));  // 0 means 256
        out.append(char(img.height() >= 256 ? 0 : img.height()));
        out.append(char(0));  // no palette
        out.append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, quint32(payloads[i].size()));
        put32(out, offset);
        offset += quint32(payloads[i].size());
    }
    for (const QByteArray& p : payloads)
        out.append(p);
    return out;
}
