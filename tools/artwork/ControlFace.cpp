// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// background.png: the control face behind Win_Left.
#include "Canvas.h"
#include "FaceGeometry.h"
#include "Faces.h"
#include "Fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QRadialGradient>
#include <QtMath>
#include <tuple>

using namespace geometry;

namespace {

const QColor kEngraveInk(52, 54, 58);
const QColor kEngraveLight(255, 255, 255, 150);

QPainterPath panelPath() { return roundedRectPath(QRectF(kFacePanel), kPanelRadius); }

void drawPanel(QPainter& p)
{
    const QPainterPath panel = panelPath();
    fillBrushedMetal(p, panel, QColor(190, 192, 196), QColor(150, 152, 157), 3.8, 0x51a7e3u);
    // A soft light from above across the upper half.
    QLinearGradient glow(0, 0, 0, 220);
    glow.setColorAt(0.0, QColor(255, 255, 255, 40));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillPath(panel, glow);
    // Inner edge just inside the border: lit along the top, shaded along the bottom.
    drawBevelRing(p, QRectF(kFacePanel).adjusted(2, 2, -2, -2), kPanelRadius - 2, 1.5, 120, 70);
}

// A horizontal engraved rule.
void drawRule(QPainter& p, double x0, double x1, double y)
{
    p.save();
    p.setPen(QPen(QColor(80, 82, 88, 150), 1.0));
    p.drawLine(QPointF(x0, y + 0.5), QPointF(x1, y + 0.5));
    p.setPen(QPen(QColor(255, 255, 255, 120), 1.0));
    p.drawLine(QPointF(x0, y + 1.5), QPointF(x1, y + 1.5));
    p.restore();
}

// "ptz" in the demi weight, "deck" in the book weight and a lighter ink, set
// on one baseline.
void drawWordmark(QPainter& p)
{
    const QFont strong = fonts::wordmark(25, false);
    const QFont light = fonts::wordmark(25, true);
    const QString head = QStringLiteral("ptz");
    const QString tail = QStringLiteral("deck");
    const double baseline = 26;
    const double x = 24;
    const double split = x + QFontMetricsF(strong).horizontalAdvance(head) + 0.5;
    p.save();
    for (const auto& [font, text, left, ink] :
        {std::make_tuple(strong, head, x, kEngraveInk), std::make_tuple(light, tail, split, QColor(84, 87, 94))}) {
        p.setFont(font);
        p.setPen(kEngraveLight);
        p.drawText(QPointF(left, baseline + 1), text);
        p.setPen(ink);
        p.drawText(QPointF(left, baseline), text);
    }
    p.restore();
}

// A round metal button sunk into the face; the live button or its picture lies on top.
void drawTitleDisc(QPainter& p, const QPointF& c, double r)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(c + QPointF(0, 0.8), r + 1.2, r + 1.2);
    p.setBrush(QColor(40, 42, 46, 200));
    p.drawEllipse(c, r + 1.0, r + 1.0);
    QLinearGradient body(0, c.y() - r, 0, c.y() + r);
    body.setColorAt(0.0, QColor(146, 148, 154));
    body.setColorAt(1.0, QColor(96, 98, 104));
    p.setBrush(body);
    p.drawEllipse(c, r, r);
    QLinearGradient sheen(0, c.y() - r, 0, c.y());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawEllipse(QPointF(c.x(), c.y() - r * 0.35), r * 0.8, r * 0.6);
    p.restore();
}

void drawTitleMarks(QPainter& p)
{
    const double r = 11.0;
    const double y = 18.5;
    const QPointF mute(kMute.x() + kMute.width() / 2.0, y);
    const QPointF top(kTop.x() + kTop.width() / 2.0, y);
    const QPointF minimise(kMin.x() + kMin.width() / 2.0, y);
    const QPointF close(kClose.x() + kClose.width() / 2.0, y);
    for (const QPointF& c : {mute, top, minimise, close})
        drawTitleDisc(p, c, r);

    const QColor markInk(236, 236, 238);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawRect(QRectF(minimise.x() - 5, y + 0.5, 10, 2));
    p.setBrush(markInk);
    p.drawRect(QRectF(minimise.x() - 5, y - 0.5, 10, 2));
    QPen cross(markInk, 2.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(QPen(QColor(0, 0, 0, 90), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(close + QPointF(-4, -3), close + QPointF(4, 5));
    p.drawLine(close + QPointF(4, -3), close + QPointF(-4, 5));
    p.setPen(cross);
    p.drawLine(close + QPointF(-4, -4), close + QPointF(4, 4));
    p.drawLine(close + QPointF(4, -4), close + QPointF(-4, 4));
    p.restore();
}

QPolygonF arrow(const QPointF& c, double angleDeg, double tipR, double baseR, double halfWidth)
{
    const double a = qDegreesToRadians(angleDeg);
    const QPointF dir(qCos(a), -qSin(a));
    const QPointF side(-dir.y(), dir.x());
    QPolygonF poly;
    poly << c + dir * tipR << c + dir * baseR + side * halfWidth << c + dir * baseR - side * halfWidth;
    return poly;
}

void drawDirectionRing(QPainter& p)
{
    const QPointF c(kJoystick.x() + kJoystick.width() / 2.0, kJoystick.y() + kJoystick.height() / 2.0);
    p.save();
    p.setPen(Qt::NoPen);
    // Outer raised bezel.
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawEllipse(c + QPointF(0, 1), 63.5, 63.5);
    p.setBrush(QColor(60, 62, 66, 170));
    p.drawEllipse(c, 63.5, 63.5);
    QLinearGradient bezel(c.x() - 40, c.y() - 62, c.x() + 40, c.y() + 62);
    bezel.setColorAt(0.0, QColor(236, 237, 240));
    bezel.setColorAt(0.5, QColor(168, 170, 175));
    bezel.setColorAt(1.0, QColor(112, 114, 120));
    p.setBrush(bezel);
    p.drawEllipse(c, 62.5, 62.5);
    // The dish the knob moves in.
    QLinearGradient lip(0, c.y() - 58, 0, c.y() + 58);
    lip.setColorAt(0.0, QColor(38, 39, 42));
    lip.setColorAt(1.0, QColor(150, 152, 156));
    p.setBrush(lip);
    p.drawEllipse(c, 58, 58);
    QRadialGradient dish(c + QPointF(0, 10), 64);
    dish.setColorAt(0.0, QColor(92, 94, 99));
    dish.setColorAt(0.75, QColor(66, 68, 72));
    dish.setColorAt(1.0, QColor(44, 45, 48));
    p.setBrush(dish);
    p.drawEllipse(c, 57, 57);
    // A faint groove where the knob rests.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 31, 34, 140), 1.2));
    p.drawEllipse(c, 25.5, 25.5);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    p.drawEllipse(c + QPointF(0, 1), 25.5, 25.5);
    // Four arrows near the rim.
    p.setPen(Qt::NoPen);
    for (int angle : {0, 90, 180, 270}) {
        p.setBrush(QColor(0, 0, 0, 110));
        p.drawPolygon(arrow(c + QPointF(0, 1), angle, 52, 41, 7.5));
        p.setBrush(QColor(206, 207, 210));
        p.drawPolygon(arrow(c, angle, 52, 41, 7.5));
    }
    p.restore();
}

void drawSliderSlot(QPainter& p, const QRect& slider, const QString& caption)
{
    const double cx = slider.x() + slider.width() / 2.0;
    const QRectF slot(cx - 4, slider.y() + 3, 8, slider.height() - 6);
    drawWell(p, slot, 4, QColor(40, 41, 44));
    // Scale ticks either side.
    p.save();
    for (int i = 0; i <= 10; ++i) {
        const double y = slot.top() + 6 + i * (slot.height() - 12) / 10.0;
        const double len = (i % 5 == 0) ? 5 : 3;
        for (int side : {-1, 1}) {
            const double x0 = cx + side * 7.5;
            const double x1 = x0 + side * len;
            p.setPen(QPen(QColor(70, 72, 78, 170), 1.0));
            p.drawLine(QPointF(x0, qRound(y) + 0.5), QPointF(x1, qRound(y) + 0.5));
            p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
            p.drawLine(QPointF(x0, qRound(y) + 1.5), QPointF(x1, qRound(y) + 1.5));
        }
    }
    p.restore();
    const QRectF box(cx - 30, slider.bottom() + 4, 60, 14);
    drawEngravedText(
        p, box, Qt::AlignHCenter | Qt::AlignVCenter, caption, fonts::caption(12), kEngraveInk, kEngraveLight);
}

void drawKeyWells(QPainter& p)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int row : kKeyRows) {
        for (int col : kKeyColumns) {
            const QRectF key(col, row, kKeyWidth, kKeyHeight);
            // A soft shadow round the cut, a light lip under it, the dark
            // edge of the cut itself and the floor the black key covers.
            p.setBrush(QColor(0, 0, 0, 28));
            p.drawRoundedRect(key.adjusted(-3, -2, 3, 1), 2, 2);
            p.setBrush(QColor(255, 255, 255, 120));
            p.drawRect(key.adjusted(-2, 0, 2, 1));
            p.setBrush(QColor(14, 14, 16));
            p.drawRect(key.adjusted(-1, -1, 1, 0));
            p.setBrush(QColor(0, 0, 0));
            p.drawRect(key);
        }
    }
    p.restore();
}

void drawGear(QPainter& p)
{
    const QPointF c(
        kSettingButton.x() + kSettingButton.width() / 2.0, kSettingButton.y() + kSettingButton.height() / 2.0);
    QPainterPath gear;
    const int teeth = 8;
    const double outer = 9.5, inner = 7.2;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = qDegreesToRadians(360.0 * i / (teeth * 4) - 360.0 / (teeth * 8));
        const double r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        const QPointF pt = c + QPointF(qCos(a) * r, qSin(a) * r);
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 3.0, 3.0);
    gear = gear.subtracted(hole);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kEngraveLight);
    p.drawPath(gear.translated(0, 1));
    p.setBrush(QColor(60, 62, 68));
    p.drawPath(gear);
    p.restore();
}

void drawTabStrip(QPainter& p)
{
    const QPainterPath panel = panelPath();
    QPainterPath strip;
    strip.addRect(QRectF(0, kCameraTabs[0].y(), kFacePanel.width(), kFacePanel.height() - kCameraTabs[0].y()));
    strip = strip.intersected(panel);
    fillBrushedMetal(p, strip, QColor(132, 134, 139), QColor(108, 110, 115), 2.6, 0x7c15a9u);
    p.save();
    p.setClipPath(strip);
    const double top = kCameraTabs[0].y();
    p.setPen(QPen(QColor(40, 42, 46, 200), 1.0));
    p.drawLine(QPointF(0, top + 0.5), QPointF(kFacePanel.width(), top + 0.5));
    p.setPen(QPen(QColor(255, 255, 255, 70), 1.0));
    p.drawLine(QPointF(0, top + 1.5), QPointF(kFacePanel.width(), top + 1.5));
    // Dividers where neighbouring tabs meet.
    for (int i = 0; i + 1 < int(kCameraTabs.size()); ++i) {
        const double x = qRound((kCameraTabs[i].right() + kCameraTabs[i + 1].left()) / 2.0) + 0.5;
        p.setPen(QPen(QColor(50, 52, 56, 170), 1.0));
        p.drawLine(QPointF(x, top + 7), QPointF(x, top + 44));
        p.setPen(QPen(QColor(255, 255, 255, 60), 1.0));
        p.drawLine(QPointF(x + 1, top + 7), QPointF(x + 1, top + 44));
    }
    p.restore();
}

}  // namespace

QImage drawControlFace()
{
    QImage img = newCanvas(kFaceWidth, kFaceHeight);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(kFaceShiftX, 0);  // draw in Win_Left's own coordinates

    drawPanel(p);
    drawWordmark(p);
    drawTitleMarks(p);
    drawRule(p, 22, kFacePanel.width() - 22, 38);
    drawDirectionRing(p);
    drawSliderSlot(p, kZoomSlider, QStringLiteral("ZOOM"));
    drawSliderSlot(p, kFocusSlider, QStringLiteral("FOCUS"));
    drawKeyWells(p);
    drawGear(p);
    drawTabStrip(p);
    p.end();
    return img;
}
