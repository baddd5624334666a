// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Moving the camera: the joystick's place and speed reports, the two
// spring-back sliders (zoom, focus) and the keyboard.
#include "window/AppState.h"
#include "window/CameraLog.h"
#include "window/MainWindow.h"
#include "desktop/KeyRepeat.h"
#include "ui_MainWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// The slider's rest position: deflection from here is the zoom or focus move.
constexpr int kSliderRest = 45;

// The joystick reports steps 0 to 7; the camera takes pan 0 to 21, tilt 0 to 14.
constexpr int kPanPerStep = 3;
constexpr int kTiltPerStep = 2;

// The keyboard always moves at the top speeds.
constexpr int kKeyPanSpeed = 7 * kPanPerStep;
constexpr int kKeyTiltSpeed = 7 * kTiltPerStep;

}  // namespace

// The places form a 3 x 3 grid numbered row by row from the top left. Only
// the centre stops: passing from one outer place to another sends just the
// new place's moves, so a pan started at the left goes on when the knob
// rides round the rim to the top.
void MainWindow::MoveEvent(BaseDevice* dev, int place, int x, int y) { sendPlace(dev, place, x, y); }

bool MainWindow::sendPlace(BaseDevice* dev, int place, int x, int y)
{
    if (g_cameraOpen != 1 || !dev)
        return false;
    if (dev == device) {
        x = panSpeed(x);
        y = tiltSpeed(y);
        if (place == 4)
            movingAxes &= ~(PanAxis | TiltAxis);
        else
            movingAxes |= placeAxes(place);
    }
    // In this order on the wire; every operation is sent whatever the one
    // before it answered.
    bool taken = true;
    const auto send = [&taken, dev](const char* command, bool answer) { taken = Taken(dev, command, answer) && taken; };
    switch (place) {
    case 0:
        send("PanLeft", dev->PanLeft(x));
        send("TiltUp", dev->TiltUp(y));
        break;
    case 1:
        send("TiltUp", dev->TiltUp(y));
        break;
    case 2:
        send("PanRight", dev->PanRight(x));
        send("TiltUp", dev->TiltUp(y));
        break;
    case 3:
        send("PanLeft", dev->PanLeft(x));
        break;
    case 4:
        send("TiltUpStop", dev->TiltUpStop());
        send("TiltDownStop", dev->TiltDownStop());
        send("PanLeftStop", dev->PanLeftStop());
        send("PanRightStop", dev->PanRightStop());
        break;
    case 5:
        send("PanRight", dev->PanRight(x));
        break;
    case 6:
        send("PanLeft", dev->PanLeft(x));
        send("TiltDown", dev->TiltDown(y));
        break;
    case 7:
        send("TiltDown", dev->TiltDown(y));
        break;
    case 8:
        send("TiltDown", dev->TiltDown(y));
        send("PanRight", dev->PanRight(x));
        break;
    default:
        return false;
    }
    if (dev == device)
        followSteps();
    return taken;
}

// Which axes a place sets moving; none for the centre or a place off the grid.
unsigned MainWindow::placeAxes(int place)
{
    static constexpr unsigned kAxes[9] = {PanAxis | TiltAxis, TiltAxis, PanAxis | TiltAxis, PanAxis, 0, PanAxis,
        PanAxis | TiltAxis, TiltAxis, PanAxis | TiltAxis};
    return place >= 0 && place < 9 ? kAxes[place] : 0;
}

bool MainWindow::moveTowards(int place, int pan, int tilt)
{
    if (!cameraReady() || place < 0 || place > 8)
        return false;
    bool taken = true;
    if (place != 4) {
        if ((movingAxes & PanAxis) && !(placeAxes(place) & PanAxis)) {
            taken &= Taken(device, "PanLeftStop", device->PanLeftStop());
            movingAxes &= ~PanAxis;
        }
        if ((movingAxes & TiltAxis) && !(placeAxes(place) & TiltAxis)) {
            taken &= Taken(device, "TiltUpStop", device->TiltUpStop());
            movingAxes &= ~TiltAxis;
        }
    }
    return sendPlace(device, place, pan, tilt) && taken;
}

// The joystick repeats all three reports every 100 ms while held; only a
// change becomes camera traffic. The remembered values follow the joystick
// even without a camera, so a camera that appears later starts from them.
void MainWindow::MovePlace(int num)
{
    if (num == lastPlace)
        return;
    lastPlace = num;
    if (g_cameraOpen == 1)
        MoveEvent(device, num, lastSpeedX * kPanPerStep, lastSpeedY * kTiltPerStep);
}

void MainWindow::SpeedX(int num)
{
    if (num == lastSpeedX)
        return;
    lastSpeedX = num;
    if (g_cameraOpen == 1)
        MoveEvent(device, lastPlace, num * kPanPerStep, lastSpeedY * kTiltPerStep);
}

void MainWindow::SpeedY(int num)
{
    if (num == lastSpeedY)
        return;
    lastSpeedY = num;
    if (g_cameraOpen == 1)
        MoveEvent(device, lastPlace, lastSpeedX * kPanPerStep, num * kTiltPerStep);
}

// Every value change sends again, so a drag sends one move per step it
// passes. A change without a hand on the handle (a key on the slider, a
// click that jumps it) has no release to end its move: the handle springs
// back at once, and that change sends the stop.
void MainWindow::zoomchanged()
{
    const int value = ui->slider_zoom->value();
    if (g_cameraOpen == 1) {
        if (value > kSliderRest)
            Taken(device, "ZoomIn", device->ZoomIn(lensSpeed()));
        else if (value < kSliderRest)
            Taken(device, "ZoomOut", device->ZoomOut(lensSpeed()));
        else
            Taken(device, "ZoomStop", device->ZoomStop());
        movingAxes = value == kSliderRest ? movingAxes & ~ZoomAxis : movingAxes | ZoomAxis;
        followSteps();
    }
    if (value != kSliderRest && !ui->slider_zoom->isSliderDown())
        ui->slider_zoom->setSliderPosition(kSliderRest);
}

// Springing back to rest reports a value change of its own (one stop through
// zoomchanged); the explicit stop follows it.
void MainWindow::zoomstop()
{
    ui->slider_zoom->setSliderPosition(kSliderRest);
    if (g_cameraOpen == 1) {
        Taken(device, "ZoomStop", device->ZoomStop());
        movingAxes &= ~ZoomAxis;
        followSteps();
    }
}

// Up is far, down is near; a change without a hand springs back as zoom does.
void MainWindow::focuschanged()
{
    const int value = ui->slider_focus->value();
    if (g_cameraOpen == 1) {
        if (value > kSliderRest)
            Taken(device, "FocusFar", device->FocusFar(lensSpeed()));
        else if (value < kSliderRest)
            Taken(device, "FocusNear", device->FocusNear(lensSpeed()));
        else
            Taken(device, "FocusStop", device->FocusStop());
        movingAxes = value == kSliderRest ? movingAxes & ~FocusAxis : movingAxes | FocusAxis;
        followSteps();
    }
    if (value != kSliderRest && !ui->slider_focus->isSliderDown())
        ui->slider_focus->setSliderPosition(kSliderRest);
}

void MainWindow::focusstop()
{
    ui->slider_focus->setSliderPosition(kSliderRest);
    if (g_cameraOpen == 1) {
        Taken(device, "FocusStop", device->FocusStop());
        movingAxes &= ~FocusAxis;
        followSteps();
    }
}

// Keys act only with a camera open. Auto-repeat is deliberately not
// filtered: each repeated press sends its move again. The keyboard leaves
// the joystick's remembered values alone.
void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Before this key can start repeating, so that holding it never reads
    // as letting go.
    ptzdeck::platform::ReportHeldKeysAsRepeatedPresses();
    if (g_cameraOpen == 1) {
        const int key = event->key();
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            // Always a recall: the keypad's store and clear modes are for clicks.
            presetRecall(key - Qt::Key_0);
        } else {
            switch (key) {
            // btn_ai's own road: its face and state turn together, once
            // the camera took the mode.
            case Qt::Key_F:
                setAutoFraming(true);
                break;
            case Qt::Key_M:
            case Qt::Key_P:
                setAutoFraming(false);
                break;
            case Qt::Key_T:
                Taken(device, "ZoomIn", device->ZoomIn(lensSpeed()));
                movingAxes |= ZoomAxis;
                break;
            case Qt::Key_W:
                Taken(device, "ZoomOut", device->ZoomOut(lensSpeed()));
                movingAxes |= ZoomAxis;
                break;
            case Qt::Key_Left:
                Taken(device, "PanLeft", device->PanLeft(panSpeed(kKeyPanSpeed)));
                movingAxes |= PanAxis;
                break;
            case Qt::Key_Up:
                Taken(device, "TiltUp", device->TiltUp(tiltSpeed(kKeyTiltSpeed)));
                movingAxes |= TiltAxis;
                break;
            case Qt::Key_Right:
                Taken(device, "PanRight", device->PanRight(panSpeed(kKeyPanSpeed)));
                movingAxes |= PanAxis;
                break;
            case Qt::Key_Down:
                Taken(device, "TiltDown", device->TiltDown(tiltSpeed(kKeyTiltSpeed)));
                movingAxes |= TiltAxis;
                break;
            default:
                break;
            }
        }
        followSteps();
    }
    QMainWindow::keyPressEvent(event);
}

// Each release stops only its own axis: releasing Up while Left is held
// stops the tilt and leaves the pan going. A release that Qt marks as
// auto-repeated is not the user letting go: stopping on it would make a
// held key stutter the camera.
void MainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (g_cameraOpen == 1 && !event->isAutoRepeat()) {
        switch (event->key()) {
        case Qt::Key_Up:
            Taken(device, "TiltUpStop", device->TiltUpStop());
            movingAxes &= ~TiltAxis;
            break;
        case Qt::Key_Down:
            Taken(device, "TiltDownStop", device->TiltDownStop());
            movingAxes &= ~TiltAxis;
            break;
        case Qt::Key_Left:
            Taken(device, "PanLeftStop", device->PanLeftStop());
            movingAxes &= ~PanAxis;
            break;
        case Qt::Key_Right:
            Taken(device, "PanRightStop", device->PanRightStop());
            movingAxes &= ~PanAxis;
            break;
        case Qt::Key_T:
        case Qt::Key_W:
            Taken(device, "ZoomStop", device->ZoomStop());
            movingAxes &= ~ZoomAxis;
            break;
        default:
            break;
        }
        followSteps();
    }
    QMainWindow::keyReleaseEvent(event);
}

// A stop is the zero move of its axis, whichever way the axis was moving.
void MainWindow::stopMotion(unsigned keep)
{
    const unsigned stopping = movingAxes & ~keep;
    if (stopping & PanAxis)
        Taken(device, "PanLeftStop", device->PanLeftStop());
    if (stopping & TiltAxis)
        Taken(device, "TiltUpStop", device->TiltUpStop());
    if (stopping & ZoomAxis)
        Taken(device, "ZoomStop", device->ZoomStop());
    if (stopping & FocusAxis)
        Taken(device, "FocusStop", device->FocusStop());
    movingAxes &= keep;
    followSteps();
}

void MainWindow::letGo()
{
    // The joystick's own release: it stops its timers and reports the
    // centre, which stops pan and tilt as a hand letting go would; unless
    // a gamepad's stick holds the place, which its own release will end.
    if (!gamepadHoldsStick()) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(ui->widget->rect().center()), Qt::LeftButton,
            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(ui->widget, &release);
    }
    for (QSlider* slider : {ui->slider_zoom, ui->slider_focus})
        if (slider->isSliderDown())
            slider->setSliderDown(false);  // released: springs back and stops
    // Held keys: their releases will go elsewhere, if anywhere.
    stopMotion(gamepadHeldAxes());
}

// A window that goes away or loses the keyboard no longer hears the release
// that would end a move.
void MainWindow::changeEvent(QEvent* event)
{
    if ((event->type() == QEvent::ActivationChange && !isActiveWindow())
        || (event->type() == QEvent::WindowStateChange && isMinimized()))
        letGo();
    QMainWindow::changeEvent(event);
}

void MainWindow::hideEvent(QHideEvent* event)
{
    letGo();
    QMainWindow::hideEvent(event);
}

// A continuous zoom as the T and W keys move it, until a stop.
bool MainWindow::zoom(int way)
{
    if (g_cameraOpen != 1)
        return false;
    bool taken = false;
    if (way == 0) {
        movingAxes &= ~ZoomAxis;
        taken = Taken(device, "ZoomStop", device->ZoomStop());
    } else {
        movingAxes |= ZoomAxis;
        taken = way > 0 ? Taken(device, "ZoomIn", device->ZoomIn(lensSpeed()))
                        : Taken(device, "ZoomOut", device->ZoomOut(lensSpeed()));
    }
    followSteps();
    return taken;
}

bool MainWindow::focusByHand() const { return ui->slider_focus->isEnabled(); }

// As the focus slider moves it: only in manual focus, where it is enabled.
bool MainWindow::focus(int way)
{
    if (g_cameraOpen != 1 || !focusByHand())
        return false;
    bool taken = false;
    if (way == 0) {
        movingAxes &= ~FocusAxis;
        taken = Taken(device, "FocusStop", device->FocusStop());
    } else {
        movingAxes |= FocusAxis;
        taken = way > 0 ? Taken(device, "FocusFar", device->FocusFar(lensSpeed()))
                        : Taken(device, "FocusNear", device->FocusNear(lensSpeed()));
    }
    followSteps();
    return taken;
}

bool MainWindow::goHome()
{
    if (g_cameraOpen != 1)
        return false;
    const bool taken = Taken(device, "Home", device->Home());
    followSteps();
    return taken;
}

void MainWindow::on_btn_home_clicked() { goHome(); }
