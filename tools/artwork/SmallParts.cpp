// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The slider parts and the two title-bar marks that the program lays over the face.
#include "Canvas.h"
#include "Faces.h"

#include <QLinearGradient>
#include <QRadialGradient>

QImage drawSliderGroove()
{
    QImage img = newCanvas(149, 8);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Light lip below the cut, then the dark channel with its shadowed top.
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawRoundedRect(QRectF(0, 1, 149, 7), 3.5, 3.5);
    QLinearGradient channel(0, 0, 0, 7);
    channel.setColorAt(0.0, QColor(18, 18, 20));
    channel.setColorAt(0.45, QColor(40, 40, 43));
    channel.setColorAt(1.0, QColor(58, 58, 62));
    p.setBrush(channel);
    p.drawRoundedRect(QRectF(0, 0, 149, 7), 3.5, 3.5);
    return img;
}

QImage drawSliderKnob()
{
    QImage img = newCanvas(23, 15);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, 22, 14);
    p.setPen(QPen(QColor(22, 22, 24), 1.0));
    QLinearGradient shade(0, 0, 0, 15);
    shade.setColorAt(0.0, QColor(118, 118, 122));
    shade.setColorAt(0.5, QColor(78, 78, 82));
    shade.setColorAt(1.0, QColor(52, 52, 56));
    p.setBrush(shade);
    p.drawEllipse(body);
    // Soft sheen on the upper half and a grip line across the middle.
    p.setPen(Qt::NoPen);
    QLinearGradient sheen(0, 1, 0, 7);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 90));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawEllipse(QRectF(4, 1.5, 15, 6));
    p.setPen(QPen(QColor(30, 30, 33, 200), 1.0));
    p.drawLine(QPointF(11.5, 4), QPointF(11.5, 11));
    p.setPen(QPen(QColor(160, 160, 165, 120), 1.0));
    p.drawLine(QPointF(12.5, 4), QPointF(12.5, 11));
    return img;
}

QImage drawSliderBar()
{
    QImage img = newCanvas(50, 5);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QLinearGradient shade(0, 0, 0, 5);
    shade.setColorAt(0.0, QColor(236, 236, 238));
    shade.setColorAt(1.0, QColor(196, 196, 200));
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(0, 0, 50, 5), 2.5, 2.5);
    return img;
}

// A video camera seen from the side: body and the lens cone to its right.
static void cameraPictogram(QPainter& p, const QColor& ink)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(3, 3.5, 9.5, 6.5), 1.4, 1.4);
    QPolygonF cone;
    cone << QPointF(12.5, 5.75) << QPointF(17, 3.5) << QPointF(17, 10) << QPointF(12.5, 7.75);
    p.drawPolygon(cone);
}

QImage drawCameraMark(bool muted)
{
    QImage img = newCanvas(20, 13);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    if (muted) {
        p.setPen(QPen(QColor(150, 150, 154), 1.0));
        p.setBrush(QColor(70, 70, 74, 160));
        p.drawRoundedRect(QRectF(0.5, 0.5, 19, 12), 2.5, 2.5);
    }
    cameraPictogram(p, muted ? ink::kMuted : ink::kLive);
    return img;
}

QImage drawStayOnTopMark(bool onTop)
{
    const QColor inkColour = onTop ? QColor(40, 40, 44) : QColor(206, 206, 208);
    QImage img = newCanvas(17, 17);
    QPainter p(&img);
    // Pixel-aligned strokes: the mark is small and should stay sharp.
    p.setPen(Qt::NoPen);
    p.setBrush(inkColour);
    const QRect outer(1, 1, 12, 12);
    p.drawRect(outer.left(), outer.top(), outer.width(), 2);
    p.drawRect(outer.left(), outer.top(), 2, outer.height());
    p.drawRect(outer.left(), outer.bottom() - 1, outer.width(), 2);
    p.drawRect(outer.right() - 1, outer.top(), 2, outer.height());
    // The small window held in front, at the lower right corner.
    p.drawRect(9, 9, 7, 7);
    return img;
}
