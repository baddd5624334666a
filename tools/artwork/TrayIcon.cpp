// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The notification-area icon: a camera lens on a light rounded tile.
#include "Canvas.h"
#include "Faces.h"

#include <QLinearGradient>
#include <QRadialGradient>

// Laid out in pixels of the size asked for rather than scaled from one
// drawing, so that the tile's edge stays a single crisp line at 16 and 24 px.
QImage drawTrayIcon(int size)
{
    QImage img = newCanvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double n = size;
    const bool small = size <= 24;

    // Tile.
    const double edge = small ? 1.0 : qMax(1.0, n / 64.0);
    const double margin = small ? 0.0 : n / 32.0;
    const QRectF tile =
        QRectF(0, 0, n, n).adjusted(margin + edge / 2, margin + edge / 2, -margin - edge / 2, -margin - edge / 2);
    QLinearGradient face(0, tile.top(), 0, tile.bottom());
    face.setColorAt(0.0, QColor(252, 252, 253));
    face.setColorAt(1.0, QColor(204, 206, 211));
    p.setPen(QPen(QColor(120, 122, 130), edge));
    p.setBrush(face);
    p.drawRoundedRect(tile, n * 0.2, n * 0.2);

    const QPointF c(n / 2, n / 2);
    const double r = n * (small ? 0.34 : 0.36);
    p.setPen(Qt::NoPen);
    // Barrel, bezel, coated glass, aperture.
    QLinearGradient barrel(0, c.y() - r, 0, c.y() + r);
    barrel.setColorAt(0.0, QColor(72, 74, 80));
    barrel.setColorAt(1.0, QColor(18, 18, 22));
    p.setBrush(barrel);
    p.drawEllipse(c, r, r);
    QLinearGradient bezel(0, c.y() - r, 0, c.y() + r);
    bezel.setColorAt(0.0, QColor(214, 216, 222));
    bezel.setColorAt(1.0, QColor(92, 94, 102));
    p.setBrush(bezel);
    p.drawEllipse(c, r * 0.8, r * 0.8);
    QRadialGradient glass(c - QPointF(r * 0.15, r * 0.2), r * 0.8);
    glass.setColorAt(0.0, QColor(66, 104, 182));
    glass.setColorAt(0.55, QColor(26, 40, 94));
    glass.setColorAt(1.0, QColor(10, 10, 26));
    p.setBrush(glass);
    p.drawEllipse(c, r * 0.66, r * 0.66);
    p.setBrush(QColor(6, 6, 14));
    p.drawEllipse(c, r * 0.3, r * 0.3);
    // Highlights.
    p.setBrush(QColor(255, 255, 255, small ? 230 : 200));
    p.drawEllipse(c - QPointF(r * 0.26, r * 0.3), r * 0.16, r * 0.16);
    if (!small) {
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawEllipse(c + QPointF(r * 0.24, r * 0.28), r * 0.08, r * 0.08);
    }
    return img;
}
