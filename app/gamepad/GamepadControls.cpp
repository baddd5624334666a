// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Gamepads on the window: a pad's stick is the on-screen joystick, its held
// buttons are the arrow keys and the zoom keys, its other buttons click the
// window's own buttons. Every road is the one the window's controls take.
#include "window/MainWindow.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "window/AppState.h"
#include "gamepad/Gamepads.h"
#include "devices/DeviceNotifier.h"
#include "ui_MainWindow.h"

using ptzdeck::gamepad::Action;

namespace {

// Runs `start` once, as soon as the window has drawn its first frame, so
// that nothing of the pads delays the panel's appearance; or at the first
// discovery pass, should the window not be drawn (started hidden).
class AfterFirstFrame : public QObject {
public:
    AfterFirstFrame(QWidget* window, QTimer* firstPass, std::function<void()> start)
        : QObject(window), window_(window), start_(std::move(start))
    {
        window_->installEventFilter(this);
        connect(firstPass, &QTimer::timeout, this, [this] { run(); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::Paint) {
            window_->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { run(); });
        }
        return false;
    }

private:
    void run()
    {
        if (!start_)
            return;
        const std::function<void()> start = std::move(start_);
        start_ = nullptr;
        window_->removeEventFilter(this);
        start();
    }

    QWidget* window_;
    std::function<void()> start_;
};

Qt::Key KeyOf(Action action)
{
    switch (action) {
    case Action::PanLeft:
        return Qt::Key_Left;
    case Action::PanRight:
        return Qt::Key_Right;
    case Action::TiltUp:
        return Qt::Key_Up;
    case Action::TiltDown:
        return Qt::Key_Down;
    case Action::ZoomIn:
        return Qt::Key_T;
    case Action::ZoomOut:
        return Qt::Key_W;
    default:
        return Qt::Key_unknown;
    }
}

}  // namespace

void MainWindow::setUpGamepads(ptzdeck::platform::DeviceNotifier* notifier)
{
    using ptzdeck::Gamepads;
    gamepads = new Gamepads(this);

    // In the tray menu, above the line that sets Quit apart.
    trayGamepad = new QAction(gamepads->inUse(), trayMenu);
    trayGamepad->setEnabled(false);
    QAction* separator = nullptr;
    for (QAction* item : trayMenu->actions())
        if (item->isSeparator() && !separator)
            separator = item;
    trayMenu->insertAction(separator, trayGamepad);
    connect(gamepads, &Gamepads::inUseChanged, trayGamepad, &QAction::setText);

    connect(notifier, &ptzdeck::platform::DeviceNotifier::gamepadArrived, gamepads, &Gamepads::padArrived);
    connect(notifier, &ptzdeck::platform::DeviceNotifier::gamepadLeft, gamepads, &Gamepads::padLeft);
    // The joystick's own order: the place, then the two steps; a stick at
    // rest reports the centre alone, as a released joystick does.
    connect(gamepads, &Gamepads::joystick, this, [this](int place, int panStep, int tiltStep) {
        MovePlace(place);
        if (place != 4) {
            SpeedX(panStep);
            SpeedY(tiltStep);
        }
    });
    connect(gamepads, &Gamepads::held, this, &MainWindow::gamepadHeld);
    connect(gamepads, &Gamepads::pressed, this, &MainWindow::gamepadPressed);

    new AfterFirstFrame(this, discoveryTimer, [this, notifier] {
        gamepads->loadMapping();
        notifier->followGamepads();
    });
}

// Held moves are the keyboard's: a press moves, the release stops that axis.
void MainWindow::gamepadHeld(Action action, bool down)
{
    QKeyEvent key(down ? QEvent::KeyPress : QEvent::KeyRelease, KeyOf(action), Qt::NoModifier);
    if (down)
        keyPressEvent(&key);
    else
        keyReleaseEvent(&key);
}

void MainWindow::gamepadPressed(Action action, int number)
{
    // The window's own button slots, by name as the form binds them.
    const auto click = [this](const QString& slot) {
        QMetaObject::invokeMethod(this, slot.toLatin1().constData(), Qt::DirectConnection);
    };
    switch (action) {
    case Action::Recall: {
        // A digit key: always a recall, whatever mode the keypad is in.
        QKeyEvent key(QEvent::KeyPress, Qt::Key_0 + number, Qt::NoModifier);
        keyPressEvent(&key);
        break;
    }
    case Action::Store: {
        // Set, then the digit, as clicked; the keypad's own mode is the
        // clicks' business and stays as it was.
        const int setMode = presetSetMode;
        const int clearMode = presetClearMode;
        on_btn_set_clicked();
        click(QStringLiteral("on_btn_num%1_clicked").arg(number));
        presetSetMode = setMode;
        presetClearMode = clearMode;
        break;
    }
    case Action::CameraPrevious:
    case Action::CameraNext: {
        // Round the cameras present, from the one whose tab is lit (none
        // lit: from the first or the last).
        const int count = qMin(g_cameraCount, 5);
        if (count <= 0)
            break;
        QPushButton* const tabs[] = {ui->btn_cam1, ui->btn_cam2, ui->btn_cam3, ui->btn_cam4, ui->btn_cam5};
        int shown = 0;
        for (int n = 1; n <= 5; ++n)
            if (tabs[n - 1]->styleSheet().contains(QLatin1String("_green.png")))
                shown = n;
        const int next = action == Action::CameraNext ? shown % count + 1 : (shown <= 1 ? count : shown - 1);
        click(QStringLiteral("on_btn_cam%1_clicked").arg(next));
        break;
    }
    case Action::Home:
        on_btn_home_clicked();
        break;
    case Action::StayOnTop:
        if (ui->btn_top->isEnabled())  // a window that cannot place itself has no such choice
            on_btn_top_clicked();
        break;
    case Action::Mute:
        on_btn_mute_clicked();
        break;
    case Action::Flip:
        on_btn_flip_clicked();
        break;
    case Action::Mirror:
        on_btn_mirror_clicked();
        break;
    case Action::FocusMode:
        on_btn_af_clicked();
        break;
    case Action::Framing:
        on_btn_ai_clicked();
        break;
    case Action::Push:
        on_btn_push_clicked();
        break;
    default:
        break;
    }
}

bool MainWindow::gamepadHoldsStick() const { return gamepads && gamepads->stickPlace() != 4; }

unsigned MainWindow::gamepadHeldAxes() const
{
    if (!gamepads)
        return 0;
    unsigned axes = 0;
    if (gamepads->holds(Action::PanLeft) || gamepads->holds(Action::PanRight))
        axes |= PanAxis;
    if (gamepads->holds(Action::TiltUp) || gamepads->holds(Action::TiltDown))
        axes |= TiltAxis;
    if (gamepads->holds(Action::ZoomIn) || gamepads->holds(Action::ZoomOut))
        axes |= ZoomAxis;
    const int place = gamepads->stickPlace();
    if (place != 4) {
        if (place % 3 != 1)
            axes |= PanAxis;
        if (place / 3 != 1)
            axes |= TiltAxis;
    }
    return axes;
}
