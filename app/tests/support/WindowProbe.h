// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Reaching into a running MainWindow the way its own code does: widgets by
// object name, private slots through the meta-object, device changes in the
// native message shape.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "devices/DeviceChangeMessage.h"

namespace probe {

// The settings pane is built the first time it is wanted: a look into it
// wants it.
inline void buildSettingsPane(QObject* window)
{
    if (auto* main = qobject_cast<MainWindow*>(window))
        main->settingsPane();
}

template <class W>
W* child(QWidget* window, const char* name)
{
    W* widget = window->findChild<W*>(QLatin1String(name));
    if (!widget) {
        buildSettingsPane(window);
        widget = window->findChild<W*>(QLatin1String(name));
    }
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

inline QPushButton* button(QWidget* window, const char* name) { return child<QPushButton>(window, name); }

inline QTimer* discoveryTimer(MainWindow& window)
{
    const auto timers = window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    if (timers.size() != 1)
        qFatal("expected one timer owned by the window, found %d", int(timers.size()));
    return timers.first();
}

// The camera's requests go from its own thread: a test looks at the camera,
// the faces or the pane once the camera has answered all of them.
inline bool settled(MainWindow& window)
{
    return QTest::qWaitFor([&] { return window.camerasIdle(); }, 10000);
}

// Calls a private slot by name, as only the window itself would.
inline void invoke(MainWindow& window, const char* slot)
{
    if (!QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection))
        qFatal("no slot %s", slot);
}

inline bool nativeEvent(MainWindow& window, const QByteArray& type, void* message, long* result)
{
    bool handled = false;
    if (!QMetaObject::invokeMethod(&window, "nativeEvent", Qt::DirectConnection, Q_RETURN_ARG(bool, handled),
            Q_ARG(QByteArray, type), Q_ARG(void*, message), Q_ARG(long*, result)))
        qFatal("no nativeEvent slot");
    return handled;
}

inline bool deviceChange(
    MainWindow& window, uintptr_t wParam, uint32_t message = ptzdeck::platform::WM_DEVICECHANGE, long* result = nullptr)
{
    ptzdeck::platform::MSG msg;
    msg.message = message;
    msg.wParam = wParam;
    long ignored = 0;
    return nativeEvent(window, QByteArrayLiteral("windows_generic_MSG"), &msg, result ? result : &ignored);
}

template <class Dialog>
QList<Dialog*> visible()
{
    QList<Dialog*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible())
            out << d;
    return out;
}

template <class Dialog>
QList<Dialog*> all()
{
    QList<Dialog*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<Dialog*>(w))
            out << d;
    return out;
}

// The program never deletes its dialogs; tests do, so that each starts clean.
template <class Dialog>
void deleteAll()
{
    for (Dialog* d : all<Dialog>())
        delete d;
}

// Both warning dialogs, and whatever the window left for deferred deletion.
inline void deleteDialogs()
{
    deleteAll<NO_Device>();
    deleteAll<NO_Mord_Camera>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The application-wide state as it is before main runs.
inline void resetAppState()
{
    g_cameraOpen = 0;
    g_cameraCount = 0;
    g_settingsShown = 0;
    g_noDeviceAnchor = QPoint();
    g_noCameraAnchor = QPoint();
    g_noDeviceOnTop = 0;
    g_noCameraOnTop = 0;
    g_pictureSettings = PictureSettings();
}

inline QString tabFace(int number, const char* colour)
{
    return QStringLiteral("QPushButton{image: url(:/img/cam%1_%2.png);background-color:transparent;}")
        .arg(number)
        .arg(QLatin1String(colour));
}

// The tab colours, e.g. "gbbbb" for camera 1 chosen.
inline QString tabColours(QWidget* window)
{
    QString out;
    for (int n = 1; n <= 5; ++n) {
        const QString sheet = button(window, qPrintable(QStringLiteral("btn_cam%1").arg(n)))->styleSheet();
        out += sheet == tabFace(n, "green") ? 'g' : sheet == tabFace(n, "black") ? 'b' : '?';
    }
    return out;
}

inline QRect sliderHandle(QSlider* slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = slider->orientation();
    opt.maximum = slider->maximum();
    opt.minimum = slider->minimum();
    opt.tickPosition = slider->tickPosition();
    opt.tickInterval = slider->tickInterval();
    opt.upsideDown = slider->orientation() == Qt::Horizontal
                         ? (slider->invertedAppearance() != (opt.direction == Qt::RightToLeft))
                         : !slider->invertedAppearance();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    if (slider->orientation() == Qt::Horizontal)
        opt.state |= QStyle::State_Horizontal;
    return slider->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider);
}

inline void mouseMove(QWidget* widget, QPoint local, Qt::MouseButtons held)
{
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Grabs a horizontal slider's handle with the left button and drags it by
// `dx` pixels in small steps, as a hand would.
inline void dragHandle(QSlider* slider, int dx)
{
    const QPoint start = sliderHandle(slider).center();
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, start);
    const int steps = 4;
    for (int i = 1; i <= steps; ++i)
        mouseMove(slider, start + QPoint(dx * i / steps, 0), Qt::LeftButton);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, start + QPoint(dx, 0));
}

}  // namespace probe
