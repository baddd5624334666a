// What the two warning dialogs share: where and how they appear, and being
// dragged with the left mouse button.
#pragma once

#include <QDialog>
#include <QMouseEvent>
#include <QPoint>

namespace warning_dialog {

// Frameless and translucent at its form's fixed size, its top-left half its
// own size right of and below `anchor`, on top of other windows when `onTop`
// is 1. Decided once: later changes of the flag reach only newer dialogs.
inline void Place(QDialog* dialog, QPoint anchor, int onTop)
{
    dialog->setWindowFlags(Qt::FramelessWindowHint);
    dialog->setAttribute(Qt::WA_TranslucentBackground, true);
    const int w = dialog->width();
    const int h = dialog->height();
    dialog->setFixedSize(w, h);
    dialog->move(anchor + QPoint(w / 2, h / 2));
    if (onTop == 1)
        dialog->setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    else
        dialog->setWindowFlags(Qt::FramelessWindowHint);
}

inline void Press(QMouseEvent* event, QPoint& dragOrigin, bool& dragging)
{
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        dragOrigin = event->globalPos();
    }
}

inline void Move(QDialog* dialog, QMouseEvent* event, QPoint& dragOrigin, bool dragging)
{
    if ((event->buttons() & Qt::LeftButton) && dragging) {
        dialog->move(dialog->pos() + event->globalPos() - dragOrigin);
        dragOrigin = event->globalPos();
    }
}

inline void Release(QMouseEvent* event, bool& dragging)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

}  // namespace warning_dialog
