// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What the two warning dialogs share: where and how they appear, and being
// dragged with the left mouse button.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPoint>
#include <QWindow>

#include "desktop/SessionPlatform.h"

namespace warning_dialog {

// Each time the dialog is shown it becomes transient for the panel: window
// managers keep it with the panel and give it no taskbar entry of its own.
// Set at show time, as the panel's native window may be created again after
// a stay-on-top change.
class TransientForPanel : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && dialog->windowHandle())
            for (QWidget* window : QApplication::topLevelWidgets())
                if (qobject_cast<QMainWindow*>(window) && window->windowHandle()) {
                    dialog->windowHandle()->setTransientParent(window->windowHandle());
                    break;
                }
        return false;
    }
};

// Frameless and translucent at its form's fixed size, its top-left half its
// own size right of and below `anchor`, on top of other windows when `onTop`
// is 1. Decided once: later changes of the flag reach only newer dialogs.
inline void Place(QDialog* dialog, QPoint anchor, int onTop)
{
    dialog->installEventFilter(new TransientForPanel(dialog));
    dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog->setAttribute(Qt::WA_TranslucentBackground, true);
    const int w = dialog->width();
    const int h = dialog->height();
    dialog->setFixedSize(w, h);
    dialog->move(anchor + QPoint(w / 2, h / 2));
    if (onTop == 1)
        dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    else
        dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

inline void Press(QDialog* dialog, QMouseEvent* event, QPoint& dragGrab, bool& dragging)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Native Wayland: only the compositor can move the window, and it does
    // so itself until the button is released.
    if (!ptzdeck::platform::CanPlaceWindows()) {
        dialog->windowHandle()->startSystemMove();
        return;
    }
    dragging = true;
    dragGrab = event->globalPos() - dialog->pos();
}

// The grab point goes under the pointer. Not pos() plus the pointer's last
// step: a window manager that answers moves late reports an earlier position
// in between, and steps added to that would leave the dialog behind.
inline void Move(QDialog* dialog, QMouseEvent* event, QPoint dragGrab, bool dragging)
{
    if ((event->buttons() & Qt::LeftButton) && dragging) {
        dialog->move(event->globalPos() - dragGrab);
    }
}

inline void Release(QMouseEvent* event, bool& dragging)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
}

}  // namespace warning_dialog
