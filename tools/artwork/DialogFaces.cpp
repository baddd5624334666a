// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// no_device.png and no_more_camera.png: the faces of the two warning dialogs.
#include "Canvas.h"
#include "FaceGeometry.h"
#include "Faces.h"
#include "Fonts.h"

#include <QLinearGradient>

using namespace geometry;

namespace {

constexpr double kDialogRadius = 22;

QImage dialogBase(uint32_t seed)
{
    QImage img = newCanvas(kDialogWidth, kDialogHeight);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, kDialogWidth, kDialogHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 22));
    p.drawPath(roundedRectPath(r, kDialogRadius));
    fillBrushedMetal(p, roundedRectPath(r.adjusted(1, 1, -1, -1), kDialogRadius - 1), QColor(78, 80, 85),
        QColor(50, 51, 55), 1.6, seed);
    drawBevelRing(p, r.adjusted(1, 1, -1, -1), kDialogRadius - 1, 1.2, 90, 60);
    return img;
}

void drawSentence(QPainter& p, const QRectF& box, const QString& text)
{
    drawEngravedText(p, box, Qt::AlignCenter, text, fonts::text(16, true), QColor(236, 236, 238), QColor(0, 0, 0, 150));
}

void drawButtonWell(QPainter& p, const QRect& button)
{
    drawWell(p, QRectF(button).adjusted(-2, -2, 2, 2), 4, QColor(6, 6, 8));
}

// A laptop with a small camera standing beside it, struck through: no camera.
void drawLaptopAndCamera(QPainter& p, const QPointF& origin)
{
    p.save();
    p.translate(origin);
    const QColor ink(214, 215, 218);
    p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(30, 31, 34));
    p.drawRoundedRect(QRectF(0, 0, 58, 38), 3, 3);  // screen
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    QPolygonF base;
    base << QPointF(-8, 44) << QPointF(66, 44) << QPointF(60, 50) << QPointF(-2, 50);
    p.drawPolygon(base);
    // Camera on a stand, right of the laptop.
    p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(30, 31, 34));
    p.drawEllipse(QPointF(92, 16), 12, 12);
    p.setBrush(ink);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(92, 16), 4, 4);
    p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(92, 29), QPointF(92, 42));
    p.drawLine(QPointF(82, 49), QPointF(102, 49));
    p.drawLine(QPointF(92, 42), QPointF(92, 49));
    // Dashed link between them, broken by a red cross.
    p.setPen(QPen(QColor(170, 172, 176), 2.0, Qt::DotLine, Qt::RoundCap));
    p.drawLine(QPointF(64, 16), QPointF(78, 16));
    p.setPen(QPen(QColor(237, 28, 36), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(24, 14), QPointF(34, 24));
    p.drawLine(QPointF(34, 14), QPointF(24, 24));
    p.restore();
}

}  // namespace

QImage drawNoDeviceDialog()
{
    QImage img = dialogBase(0x0d1a06u);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawLaptopAndCamera(p, QPointF(115, 22));  // the group spans -8..104: centred
    drawSentence(p, QRectF(10, 88, kDialogWidth - 20, 30), QStringLiteral("No Correct camera was found"));
    drawButtonWell(p, kNoDeviceQuit);
    drawButtonWell(p, kNoDeviceOk);
    p.end();
    return img;
}

QImage drawNoMoreCameraDialog()
{
    QImage img = dialogBase(0x0e2b17u);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawSentence(p, QRectF(10, 56, kDialogWidth - 20, 44), QStringLiteral("No more additional camera was found"));
    drawButtonWell(p, kNoCameraOk);
    p.end();
    return img;
}
