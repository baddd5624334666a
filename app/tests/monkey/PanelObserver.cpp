// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "PanelObserver.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTimerEvent>

#include "window/MainWindow.h"
#include "widgets/RockerHandle.h"
#include "devices/DeviceNotifier.h"

namespace monkey {

namespace {

template <class W>
W* named(QObject& parent, const QString& name)
{
    W* widget = parent.findChild<W*>(name);
    if (!widget)
        qFatal("the window has no %s", qPrintable(name));
    return widget;
}

}  // namespace

PanelObserver::PanelObserver(MainWindow& window) : window(window)
{
    // It watches every control: the settings pane, built the first time it
    // is wanted, is wanted now.
    window.settingsPane();
    const auto timers = window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    if (timers.size() != 1)
        qFatal("expected the window to own one timer, found %d", int(timers.size()));
    timer = timers.first();
    timer->installEventFilter(this);
    window.installEventFilter(this);

    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        const QString name = button->objectName();
        connect(button, &QAbstractButton::clicked, this, [this, name] { events << Event{Event::Clicked, 0, 0, name}; });
    }
    auto* joystick = named<RockerHandle>(window, QStringLiteral("widget"));
    connect(joystick, &RockerHandle::keyNumchanged, this, [this](int n) { events << Event{Event::Place, n}; });
    connect(joystick, &RockerHandle::Speed_Pan, this, [this](int n) { events << Event{Event::SpeedPan, n}; });
    connect(joystick, &RockerHandle::Speed_Tilt, this, [this](int n) { events << Event{Event::SpeedTilt, n}; });

    // Value changes carry whether a hand held the handle (position 1).
    auto* zoom = named<QSlider>(window, QStringLiteral("slider_zoom"));
    connect(zoom, &QSlider::valueChanged, this, [this, zoom](int v) {
        events << Event{Event::ZoomValue, v, zoom->isSliderDown() ? 1 : 0};
    });
    connect(zoom, &QSlider::sliderReleased, this, [this] { events << Event{Event::ZoomReleased}; });
    auto* focus = named<QSlider>(window, QStringLiteral("slider_focus"));
    connect(focus, &QSlider::valueChanged, this, [this, focus](int v) {
        events << Event{Event::FocusValue, v, focus->isSliderDown() ? 1 : 0};
    });
    connect(focus, &QSlider::sliderReleased, this, [this] { events << Event{Event::FocusReleased}; });
    for (int row = 0; row < kPictureRows; ++row) {
        auto* slider = named<QSlider>(window, QStringLiteral("slider_") + QLatin1String(kPictureNames[row]));
        connect(slider, &QSlider::sliderMoved, this, [this, row](int position) {
            events << Event{Event::PictureMoved, row, position};
        });
        connect(slider, &QSlider::valueChanged, this, [this, row, slider](int value) {
            events << Event{
                Event::PictureValue, row, value, slider->isSliderDown() ? QStringLiteral("down") : QString()};
        });
    }
    auto* combo = named<QComboBox>(window, QStringLiteral("cb_fliker"));
    connect(combo, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        events << Event{Event::ComboText, 0, 0, text};
    });

    auto* notifier = window.findChild<ptzdeck::platform::DeviceNotifier*>();
    if (!notifier)
        qFatal("the window has no device notifier");
    connect(notifier, &ptzdeck::platform::DeviceNotifier::deviceChanged, this, [this] { ++changes; });
}

QList<Event> PanelObserver::take() { return std::exchange(events, {}); }

bool PanelObserver::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == timer && event->type() == QEvent::Timer
        && static_cast<QTimerEvent*>(event)->timerId() == timer->timerId()) {
        events << Event{Event::Pass};
    } else if (watched == &window
               && ((event->type() == QEvent::ActivationChange && !window.isActiveWindow())
                   || (event->type() == QEvent::WindowStateChange && window.isMinimized())
                   || event->type() == QEvent::Hide)) {
        // Seen before the window lets go of what was held.
        events << Event{Event::LetGo};
    } else if (watched == &window && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        events << Event{event->type() == QEvent::KeyPress ? Event::KeyPress : Event::KeyRelease, key->key(),
            key->isAutoRepeat() ? 1 : 0};
    }
    return false;
}

}  // namespace monkey
