// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "widgets/RockerHandle.h"

#include <QAccessible>
#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <QtGlobal>

#include <cmath>

bool RockerHandle::repaintToggle = false;

namespace {

constexpr int kTickMs = 100;
// Design units. The size given at construction follows the screen's scale;
// everything the knob and its reports use follows the size the widget really
// has, whatever the screen: the form fixes that size, so the rim reaches
// every cell and full speed at any dpi and any device-pixel ratio.
constexpr double kDesignSize = 100.0;
constexpr double kKnobRadius = 22.0;
constexpr double kCentre = 58.0;  // the painted centre of the form's 116 x 116
constexpr double kCellHalfWidth = 20.0;
constexpr double kSpeedStep = 5.0;

double firstScreenScale()
{
    // A session may briefly have no screen at all; draw at design size then.
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return 1.0;
    return screens.first()->logicalDotsPerInch() / 96.0;
}

}  // namespace

RockerHandle::RockerHandle(QWidget* parent) : QWidget(parent)
{
    scale = firstScreenScale();

    // Fully transparent: the ring and arrows belong to the panel's background image.
    setWindowFlag(Qt::FramelessWindowHint);
    setAutoFillBackground(true);
    QPalette transparent = palette();
    transparent.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(0, 255, 0, 0), Qt::SolidPattern));
    setPalette(transparent);

    const int side = static_cast<int>(kDesignSize * scale);
    resize(side, side);
    mouseX = width() / 2;
    mouseY = height() / 2;
    // Until the first paint the knob rests where the reports see no movement, so a
    // tick that comes before any paint reports the centre rather than garbage.
    knobX = knobY = qMin(width(), height()) / 2;
    knobRadius = static_cast<int>(kKnobRadius * sizeScale());

    keyTimer = new QTimer(this);
    speedTimer = new QTimer(this);
    connect(keyTimer, &QTimer::timeout, this, &RockerHandle::getKeyNum);
    connect(speedTimer, &QTimer::timeout, this, &RockerHandle::SpeedChange);
    connect(
        this, &RockerHandle::keyNumchanged, this, [this](int place) { reported(place, reportedPan, reportedTilt); });
    connect(this, &RockerHandle::Speed_Pan, this, [this](int pan) { reported(reportedPlace, pan, reportedTilt); });
    connect(this, &RockerHandle::Speed_Tilt, this, [this](int tilt) { reported(reportedPlace, reportedPan, tilt); });
}

void RockerHandle::reported(int place, int pan, int tilt)
{
    if (place == reportedPlace && pan == reportedPan && tilt == reportedTilt)
        return;
    reportedPlace = place;
    reportedPan = pan;
    reportedTilt = tilt;
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent value(this, reportedSpeed());
    QAccessible::updateAccessibility(&value);
    QAccessibleEvent description(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&description);
}

QString RockerHandle::motionText() const
{
    static const char* const kWays[9] = {QT_TR_NOOP("Moving up and left"), QT_TR_NOOP("Moving up"),
        QT_TR_NOOP("Moving up and right"), QT_TR_NOOP("Moving left"), nullptr, QT_TR_NOOP("Moving right"),
        QT_TR_NOOP("Moving down and left"), QT_TR_NOOP("Moving down"), QT_TR_NOOP("Moving down and right")};
    if (reportedPlace < 0 || reportedPlace > 8 || !kWays[reportedPlace])
        return tr("Still");
    return tr("%1 at speed %2 of %3").arg(tr(kWays[reportedPlace])).arg(reportedSpeed()).arg(kTopSpeed);
}

RockerHandle::~RockerHandle() = default;

void RockerHandle::mousePressEvent(QMouseEvent* event)
{
    mouseX = event->pos().x();
    mouseY = event->pos().y();
    // Started in this order so that each tick reports the place before the speeds.
    keyTimer->start(kTickMs);
    speedTimer->start(kTickMs);
    pressed = true;
    update();
}

void RockerHandle::mouseReleaseEvent(QMouseEvent*)
{
    mouseX = width() / 2;
    mouseY = height() / 2;
    keyTimer->stop();
    speedTimer->stop();
    pressed = false;
    emit keyNumchanged(4);
    update();
}

void RockerHandle::mouseMoveEvent(QMouseEvent* event)
{
    mouseX = event->pos().x();
    mouseY = event->pos().y();
    if (repaintToggle) {
        update();
        repaintToggle = false;
    } else {
        repaintToggle = true;
    }
}

void RockerHandle::paintEvent(QPaintEvent*)
{
    const int r = qMin(width(), height()) / 2;
    knobRadius = static_cast<int>(kKnobRadius * sizeScale());
    const int travel = r - knobRadius;

    if (!pressed)
        mouseX = mouseY = r;

    const int dx = mouseX - r;
    const int dy = mouseY - r;
    // 64-bit so that a pointer dragged far off screen cannot overflow the sum.
    const double d = std::sqrt(static_cast<double>(qint64(dx) * dx + qint64(dy) * dy));

    if (d <= travel || d == 0.0) {
        // Inside the travel circle the knob stays centred; it does not follow the pointer.
        knobX = knobY = r;
    } else {
        knobX = static_cast<int>(static_cast<double>(qint64(dx) * travel) / d + r);
        knobY = static_cast<int>(static_cast<double>(qint64(dy) * travel) / d + r);
    }

    QPainter painter(this);
    painter.setPen(Qt::NoPen);
    QLinearGradient face(knobX - knobRadius, knobY, knobX + knobRadius, knobY);
    face.setColorAt(0.0, QColor(100, 100, 100, 255));
    face.setColorAt(1.0, QColor(100, 100, 100, 255));
    painter.setBrush(face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawEllipse(QPoint(knobX, knobY), knobRadius, knobRadius);
}

double RockerHandle::sizeScale() const
{
    // A widget squeezed to nothing still gets finite bounds and steps.
    return qMax(1, qMin(width(), height()) / 2) / kCentre;
}

void RockerHandle::getKeyNum()
{
    const double size = sizeScale();
    const int lo = static_cast<int>(kCentre * size - kCellHalfWidth * size);
    const int hi = static_cast<int>(kCellHalfWidth * size + kCentre * size);
    // Outer bounds are inclusive: a knob exactly on lo or hi is already off-centre.
    const auto band = [lo, hi](int v) { return v <= lo ? 0 : (v >= hi ? 2 : 1); };
    emit keyNumchanged(band(knobY) * 3 + band(knobX));
}

void RockerHandle::SpeedChange()
{
    const double size = sizeScale();
    const double centre = kCentre * size;
    const double step = kSpeedStep * size;
    emit Speed_Pan(static_cast<int>(std::abs(centre - knobX) / step));
    emit Speed_Tilt(static_cast<int>(std::abs(centre - knobY) / step));
}
