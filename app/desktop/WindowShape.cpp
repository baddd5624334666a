// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "desktop/WindowShape.h"

#include <QEvent>
#include <QPainterPath>
#include <QPolygon>
#include <QWidget>

namespace ptzdeck::platform {

namespace {

// A rounded rectangle as whole pixels: every pixel whose centre lies inside
// the outline, the same pixels an antialiased fill paints at half coverage
// or more.
QRegion roundedRegion(const QRect& rect, int radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(rect), radius, radius);
    return QRegion(path.toFillPolygon().toPolygon(), Qt::WindingFill);
}

}  // namespace

WindowShape::WindowShape(QWidget* window, QVector<QWidget*> panels, int radius)
    : QObject(window), window_(window), panels_(std::move(panels)), radius_(radius)
{
    for (QWidget* panel : panels_)
        panel->installEventFilter(this);
    apply();
}

void WindowShape::follow(QWidget* panel)
{
    panels_.append(panel);
    panel->installEventFilter(this);
    apply();
}

QRegion WindowShape::covered() const
{
    QRegion shape;
    for (const QWidget* panel : panels_)
        if (panel->isVisibleTo(window_))
            shape += roundedRegion(QRect(panel->mapTo(window_, QPoint(0, 0)), panel->size()), radius_);
    return shape;
}

bool WindowShape::eventFilter(QObject*, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Move:
    case QEvent::Resize:
        apply();
        break;
    default:
        break;
    }
    return false;
}

void WindowShape::apply()
{
    const QRegion shape = covered();
    // An empty mask would mean "no shape": the whole window again.
    if (!shape.isEmpty() && shape != window_->mask())
        window_->setMask(shape);
}

}  // namespace ptzdeck::platform
