// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "window/CommandNotice.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QTimer>
#include <utility>

namespace {

// Over the joystick, inside the left half that shows whether or not the
// settings pane is open, and away from the keypad that was just pressed.
constexpr int kLeft = 12, kTop = 46, kWidth = 302;
constexpr int kShownMs = 12000;

}  // namespace

CommandNotice::CommandNotice(QWidget* window_) : QLabel(window_), window(window_), hideTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("commandNotice"));
    setGeometry(kLeft, kTop, kWidth, 60);
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setStyleSheet(
        QStringLiteral("QLabel{background-color:rgba(20,20,20,235);color:#f2f2f2;border:1px solid #e8a33a;"
                       "border-radius:6px;padding:4px 10px;font-size:12px;}"));
    hide();
    hideTimer->setSingleShot(true);
    connect(hideTimer, &QTimer::timeout, this, &QWidget::hide);
    qApp->installEventFilter(this);
}

void CommandNotice::cameraOpened(const QString& camera_) { camera = camera_; }

QString CommandNotice::textFor(RequestFault fault)
{
    switch (fault) {
    case RequestFault::NoPermission:
        return tr(
            "The camera's own commands need access to its USB device, which the udev rule grants: "
            "run sudo make install, then plug the camera in again.");
    case RequestFault::CameraBusy:
        return tr(
            "This camera takes its own commands only while no other program is using it: "
            "close the program that shows its picture, then try again.");
    case RequestFault::NoAnswer:
        return tr("The camera does not answer its commands: unplug it and plug it in again.");
    case RequestFault::None:
        break;
    }
    return QString();
}

// A hand on the window (a drag on the joystick, a slider held) is not
// interrupted: what its commands met is told when it lets go.
bool CommandNotice::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window)
        return false;
    held = event->type() == QEvent::MouseButtonPress;
    if (!held && waiting != RequestFault::None)
        QTimer::singleShot(0, this, [this] { check(std::exchange(waiting, RequestFault::None)); });
    return false;
}

void CommandNotice::check(RequestFault fault)
{
    if (fault == RequestFault::None)
        return;
    if (held) {
        waiting = fault;
        return;
    }
    // A network camera is not plugged in: it is told where it was looked for.
    const bool network = camera.startsWith(QLatin1String("visca-"));
    tellOnce(camera + QLatin1Char('\n') + QString::number(static_cast<int>(fault)),
        network && fault == RequestFault::NoAnswer
            ? tr("The network camera at %1 does not answer: check that it is on and reachable. Its tab lights "
                 "again when it answers.")
                  .arg(camera)
            : textFor(fault));
}

bool CommandNotice::tellOnce(const QString& key, const QString& text)
{
    if (told.contains(key))
        return false;
    told.insert(key);
    setText(text);
    resize(kWidth, heightForWidth(kWidth));
    show();
    raise();
    hideTimer->start(kShownMs);
    return true;
}

void CommandNotice::mousePressEvent(QMouseEvent* event)
{
    hideTimer->stop();
    hide();
    event->accept();
}
