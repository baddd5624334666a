// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Qt writes WM_CLASS when it creates a native window, and creates one again
// when a changed window is shown anew (stay-on-top does that), so the class
// is written after every creation, before the window is mapped.
#include "desktop/WindowIdentity.h"

#include <QCoreApplication>
#include <QPlatformSurfaceEvent>
#include <QWindow>
#include <QX11Info>
#include <xcb/xcb.h>

namespace ptzdeck::platform {

namespace {

// Instance and class, each NUL-terminated.
constexpr char kWindowClass[] = "ptzdeck\0ptzdeck";

class ClassWriter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::PlatformSurface)
            return false;
        auto* surface = static_cast<QPlatformSurfaceEvent*>(event);
        auto* window = qobject_cast<QWindow*>(watched);
        if (surface->surfaceEventType() == QPlatformSurfaceEvent::SurfaceCreated && window && !window->parent())
            xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof kWindowClass, kWindowClass);
        return false;
    }
};

}  // namespace

void NameWindowsAfterProgram()
{
    static bool installed = false;
    if (installed || !QX11Info::isPlatformX11())
        return;
    installed = true;
    QCoreApplication::instance()->installEventFilter(new ClassWriter(QCoreApplication::instance()));
}

}  // namespace ptzdeck::platform
