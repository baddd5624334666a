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
// The device argument is the window's own camera; the slot keeps its place.
void MainWindow::MoveEvent(BaseDevice*, int place, int x, int y) { sendPlace(place, x, y); }

void MainWindow::sendPlace(int place, int x, int y, unsigned stopping, Answer answered)
{
    if (g_cameraOpen != 1 || place < 0 || place > 8)
        return tell(answered, false);
    x = panSpeed(x);
    y = tiltSpeed(y);
    if (place == 4)
        movingAxes &= ~(PanAxis | TiltAxis);
    else
        movingAxes |= placeAxes(place);
    std::vector<DeviceRequest> operations;
    if (stopping & PanAxis)
        operations.push_back(Op("PanLeftStop", &BaseDevice::PanLeftStop));
    if (stopping & TiltAxis)
        operations.push_back(Op("TiltUpStop", &BaseDevice::TiltUpStop));
    const DeviceRequest panLeft = Op("PanLeft", &BaseDevice::PanLeft, x);
    const DeviceRequest panRight = Op("PanRight", &BaseDevice::PanRight, x);
    const DeviceRequest tiltUp = Op("TiltUp", &BaseDevice::TiltUp, y);
    const DeviceRequest tiltDown = Op("TiltDown", &BaseDevice::TiltDown, y);
    // In this order on the wire.
    switch (place) {
    case 0:
        operations.insert(operations.end(), {panLeft, tiltUp});
        break;
    case 1:
        operations.push_back(tiltUp);
        break;
    case 2:
        operations.insert(operations.end(), {panRight, tiltUp});
        break;
    case 3:
        operations.push_back(panLeft);
        break;
    case 4:
        operations.insert(operations.end(),
            {Op("TiltUpStop", &BaseDevice::TiltUpStop), Op("TiltDownStop", &BaseDevice::TiltDownStop),
                Op("PanLeftStop", &BaseDevice::PanLeftStop), Op("PanRightStop", &BaseDevice::PanRightStop)});
        break;
    case 5:
        operations.push_back(panRight);
        break;
    case 6:
        operations.insert(operations.end(), {panLeft, tiltDown});
        break;
    case 7:
        operations.push_back(tiltDown);
        break;
    default:  // 8, the range being checked above
        operations.insert(operations.end(), {tiltDown, panRight});
        break;
    }
    const unsigned drives = (place == 4 ? PanAxis | TiltAxis : placeAxes(place)) | stopping;
    toCamera(drives, AllOf(std::move(operations)), std::move(answered));
    followSteps();
}

// Which axes a place sets moving; none for the centre or a place off the grid.
unsigned MainWindow::placeAxes(int place)
{
    static constexpr unsigned kAxes[9] = {PanAxis | TiltAxis, TiltAxis, PanAxis | TiltAxis, PanAxis, 0, PanAxis,
        PanAxis | TiltAxis, TiltAxis, PanAxis | TiltAxis};
    return place >= 0 && place < 9 ? kAxes[place] : 0;
}

void MainWindow::moveTowards(int place, int pan, int tilt, Answer answered)
{
    if (!cameraReady() || place < 0 || place > 8)
        return tell(answered, false);
    unsigned stopping = 0;
    if (place != 4) {
        stopping = movingAxes & (PanAxis | TiltAxis) & ~placeAxes(place);
        movingAxes &= ~stopping;
    }
    sendPlace(place, pan, tilt, stopping, std::move(answered));
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
        MoveEvent(nullptr, num, lastSpeedX * kPanPerStep, lastSpeedY * kTiltPerStep);
}

void MainWindow::SpeedX(int num)
{
    if (num == lastSpeedX)
        return;
    lastSpeedX = num;
    if (g_cameraOpen == 1)
        MoveEvent(nullptr, lastPlace, num * kPanPerStep, lastSpeedY * kTiltPerStep);
}

void MainWindow::SpeedY(int num)
{
    if (num == lastSpeedY)
        return;
    lastSpeedY = num;
    if (g_cameraOpen == 1)
        MoveEvent(nullptr, lastPlace, lastSpeedX * kPanPerStep, num * kTiltPerStep);
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
            toCamera(ZoomAxis, Op("ZoomIn", &BaseDevice::ZoomIn, lensSpeed()));
        else if (value < kSliderRest)
            toCamera(ZoomAxis, Op("ZoomOut", &BaseDevice::ZoomOut, lensSpeed()));
        else
            toCamera(ZoomAxis, Op("ZoomStop", &BaseDevice::ZoomStop));
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
        toCamera(ZoomAxis, Op("ZoomStop", &BaseDevice::ZoomStop));
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
            toCamera(FocusAxis, Op("FocusFar", &BaseDevice::FocusFar, lensSpeed()));
        else if (value < kSliderRest)
            toCamera(FocusAxis, Op("FocusNear", &BaseDevice::FocusNear, lensSpeed()));
        else
            toCamera(FocusAxis, Op("FocusStop", &BaseDevice::FocusStop));
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
        toCamera(FocusAxis, Op("FocusStop", &BaseDevice::FocusStop));
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
            presetRecall(key - Qt::Key_0, {});
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
                toCamera(ZoomAxis, Op("ZoomIn", &BaseDevice::ZoomIn, lensSpeed()));
                movingAxes |= ZoomAxis;
                break;
            case Qt::Key_W:
                toCamera(ZoomAxis, Op("ZoomOut", &BaseDevice::ZoomOut, lensSpeed()));
                movingAxes |= ZoomAxis;
                break;
            case Qt::Key_Left:
                toCamera(PanAxis, Op("PanLeft", &BaseDevice::PanLeft, panSpeed(kKeyPanSpeed)));
                movingAxes |= PanAxis;
                break;
            case Qt::Key_Up:
                toCamera(TiltAxis, Op("TiltUp", &BaseDevice::TiltUp, tiltSpeed(kKeyTiltSpeed)));
                movingAxes |= TiltAxis;
                break;
            case Qt::Key_Right:
                toCamera(PanAxis, Op("PanRight", &BaseDevice::PanRight, panSpeed(kKeyPanSpeed)));
                movingAxes |= PanAxis;
                break;
            case Qt::Key_Down:
                toCamera(TiltAxis, Op("TiltDown", &BaseDevice::TiltDown, tiltSpeed(kKeyTiltSpeed)));
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
            toCamera(TiltAxis, Op("TiltUpStop", &BaseDevice::TiltUpStop));
            movingAxes &= ~TiltAxis;
            break;
        case Qt::Key_Down:
            toCamera(TiltAxis, Op("TiltDownStop", &BaseDevice::TiltDownStop));
            movingAxes &= ~TiltAxis;
            break;
        case Qt::Key_Left:
            toCamera(PanAxis, Op("PanLeftStop", &BaseDevice::PanLeftStop));
            movingAxes &= ~PanAxis;
            break;
        case Qt::Key_Right:
            toCamera(PanAxis, Op("PanRightStop", &BaseDevice::PanRightStop));
            movingAxes &= ~PanAxis;
            break;
        case Qt::Key_T:
        case Qt::Key_W:
            toCamera(ZoomAxis, Op("ZoomStop", &BaseDevice::ZoomStop));
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
    std::vector<DeviceRequest> stops;
    if (stopping & PanAxis)
        stops.push_back(Op("PanLeftStop", &BaseDevice::PanLeftStop));
    if (stopping & TiltAxis)
        stops.push_back(Op("TiltUpStop", &BaseDevice::TiltUpStop));
    if (stopping & ZoomAxis)
        stops.push_back(Op("ZoomStop", &BaseDevice::ZoomStop));
    if (stopping & FocusAxis)
        stops.push_back(Op("FocusStop", &BaseDevice::FocusStop));
    if (!stops.empty())
        toCamera(stopping, AllOf(std::move(stops)));
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
void MainWindow::zoom(int way, Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    if (way == 0) {
        movingAxes &= ~ZoomAxis;
        toCamera(ZoomAxis, Op("ZoomStop", &BaseDevice::ZoomStop), std::move(answered));
    } else {
        movingAxes |= ZoomAxis;
        toCamera(ZoomAxis,
            way > 0 ? Op("ZoomIn", &BaseDevice::ZoomIn, lensSpeed()) : Op("ZoomOut", &BaseDevice::ZoomOut, lensSpeed()),
            std::move(answered));
    }
    followSteps();
}

bool MainWindow::focusByHand() const { return ui->slider_focus->isEnabled(); }

// As the focus slider moves it: only in manual focus, where it is enabled.
void MainWindow::focus(int way, Answer answered)
{
    if (g_cameraOpen != 1 || !focusByHand())
        return tell(answered, false);
    if (way == 0) {
        movingAxes &= ~FocusAxis;
        toCamera(FocusAxis, Op("FocusStop", &BaseDevice::FocusStop), std::move(answered));
    } else {
        movingAxes |= FocusAxis;
        toCamera(FocusAxis,
            way > 0 ? Op("FocusFar", &BaseDevice::FocusFar, lensSpeed())
                    : Op("FocusNear", &BaseDevice::FocusNear, lensSpeed()),
            std::move(answered));
    }
    followSteps();
}

void MainWindow::goHome(Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    toCamera(Op("Home", &BaseDevice::Home), std::move(answered));
    followSteps();
}

void MainWindow::on_btn_home_clicked()
{
    goHome([](bool) {});
}
