// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "PanelModel.h"

#include <Qt>

#include <algorithm>
#include <utility>

namespace monkey {

// A table, laid out by hand.
// clang-format off
const std::array<const char*, kPictureRows> kPictureNames = {
    "blc", "gamma", "contrast", "saturation", "brightness", "sharpness", "wb"};

namespace {

// The proc-amp property of each picture row, and of the anti-flicker setting.
constexpr std::array<int, kPictureRows> kPictureIds = {8, 5, 1, 3, 0, 4, 7};
constexpr int kWhiteBalanceRow = 6;
constexpr int kPowerLineId = 13;

constexpr int kManual = 0x2;
constexpr int kAuto = 0x1;
constexpr int kRelative = 0x10;
constexpr int kAbsolute = 0x0;

// camera-control properties
constexpr int kPanRelative = 10;
constexpr int kTiltRelative = 11;
constexpr int kZoomRelative = 13;
constexpr int kFocusRelative = 16;
constexpr int kCommand = 2;  // the camera's own command channel

enum Code { MirrorOn = 0, MirrorOff = 1, FlipOn = 2, FlipOff = 3, MuteOff = 4, MuteOn = 5, FocusAuto = 6,
            FocusManual = 7, Home = 8, FramingAuto = 16, FramingManual = 17 };

const char* const kCameraControl = "camera-control";
const char* const kProcAmp = "proc-amp";

// Reports a slot makes its widgets give while it runs: the combo's text,
// the picture sliders' values and, for one the user holds, its moves.
bool Nestable(const Event& e)
{
    return e.kind == Event::ComboText || e.kind == Event::PictureMoved || e.kind == Event::PictureValue;
}
// clang-format on

// What letting go makes a slider report: its spring back and its release.
bool SliderLettingGo(const Event& e)
{
    return ((e.kind == Event::ZoomValue || e.kind == Event::FocusValue) && e.value == 45 && e.position == 0)
           || e.kind == Event::ZoomReleased || e.kind == Event::FocusReleased;
}

constexpr unsigned kPanAxis = 1, kTiltAxis = 2, kZoomAxis = 4, kFocusAxis = 8;

// A camera tab's click or Default gives them before its own click is seen.
bool ReportsInside(const QString& button)
{
    return button.startsWith(QLatin1String("btn_cam")) || button == QLatin1String("btn_default");
}

}  // namespace

QString Request::line() const
{
    return QStringLiteral("%1 ks-set %2 %3 value1=%4 flags=0x%5")
        .arg(camera, set)
        .arg(id)
        .arg(value1)
        .arg(flags, 0, 16);
}

bool PanelModel::send(const QString& operation, const char* set, int id, int value1, int flags)
{
    // A request reaches only the camera the library holds open, and only
    // while that camera is plugged in; a faulty one is received, and refused.
    if (!state.open.valid() || !bus.alive(state.open))
        return false;
    expected << Request{operation, state.open.name, QLatin1String(set), id, value1, flags};
    return !refuses(*bus.file(state.open), set, id);
}

bool PanelModel::refuses(const CameraFile& file, const char* set, int id) const
{
    const QString property = QStringLiteral("%1.%2").arg(QLatin1String(set)).arg(id);
    if (file.properties.contains(property + QStringLiteral("=none")))
        return true;
    const QStringList kinds = file.failing.value(property).split(QLatin1Char(','));
    return kinds.contains(QStringLiteral("all")) || kinds.contains(QStringLiteral("ks-set"));
}

void PanelModel::stopMoving()
{
    if (state.moving & kPanAxis)
        send(QStringLiteral("PanStop"), kCameraControl, kPanRelative, 0, kRelative);
    if (state.moving & kTiltAxis)
        send(QStringLiteral("TiltStop"), kCameraControl, kTiltRelative, 0, kRelative);
    if (state.moving & kZoomAxis)
        send(QStringLiteral("ZoomStop"), kCameraControl, kZoomRelative, 0, kRelative);
    if (state.moving & kFocusAxis)
        send(QStringLiteral("FocusStop"), kCameraControl, kFocusRelative, 0, kRelative);
    state.moving = 0;
}

// A value change of the zoom or focus slider. One without a hand on the
// handle is a nudge, a move and the stop of its spring back, which reports
// 45 (seen before it, since the slot springs back first); the release
// accounts for its own spring back.
void PanelModel::slider(const Event& e, bool zoom)
{
    if (!zoom && !state.afManual)
        violations << QStringLiteral("the focus slider moved while auto focus is shown");
    const bool held = e.position == 1;
    if (!held && e.value == 45)
        return;
    if (held)
        (zoom ? state.zoomAt : state.focusAt) = e.value;
    if (state.cameraOpen != 1)
        return;
    const unsigned axis = zoom ? kZoomAxis : kFocusAxis;
    const int id = zoom ? kZoomRelative : kFocusRelative;
    if (e.value > 45)
        send(
            zoom ? QStringLiteral("ZoomIn") : QStringLiteral("FocusFar"), kCameraControl, id, zoom ? 1 : -1, kRelative);
    else if (e.value < 45)
        send(zoom ? QStringLiteral("ZoomOut") : QStringLiteral("FocusNear"), kCameraControl, id, zoom ? -1 : 1,
            kRelative);
    if (e.value == 45 || !held) {
        send(zoom ? QStringLiteral("ZoomStop") : QStringLiteral("FocusStop"), kCameraControl, id, 0, kRelative);
        state.moving &= ~axis;
    } else {
        state.moving |= axis;
    }
}

void PanelModel::released(bool zoom)
{
    if (!zoom && !state.afManual)
        violations << QStringLiteral("the focus slider moved while auto focus is shown");
    int& at = zoom ? state.zoomAt : state.focusAt;
    const bool away = at != 45;
    at = 45;
    if (state.cameraOpen != 1)
        return;
    const int id = zoom ? kZoomRelative : kFocusRelative;
    const QString stop = zoom ? QStringLiteral("ZoomStop") : QStringLiteral("FocusStop");
    if (away)
        send(stop, kCameraControl, id, 0, kRelative);  // the spring back's own report
    send(stop, kCameraControl, id, 0, kRelative);
    state.moving &= ~(zoom ? kZoomAxis : kFocusAxis);
}

void PanelModel::apply(const QList<Event>& events, const std::array<int, kPictureRows>& cacheCurrent,
    const std::array<int, kPictureRows + 1>& cacheDefault)
{
    current = cacheCurrent;
    defaults = cacheDefault;
    loadDue = false;
    for (int i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        switch (e.kind) {
        case Event::Pass: {
            // The pass is seen before it runs; what its opening of a camera
            // changed in the combo follows it.
            QList<Event> nested;
            while (i + 1 < events.size() && Nestable(events[i + 1]))
                nested << events[++i];
            pass(nested);
            break;
        }
        case Event::LetGo:
            // The joystick's release reports the centre, the sliders spring
            // back and release; then whatever still moves stops. A window
            // that lets go twice in one breath (it loses the keyboard as it
            // hides) reports both before the release: the second finds
            // nothing held.
            while (i + 1 < events.size() && events[i + 1].kind == Event::LetGo)
                ++i;
            if (i + 1 < events.size() && events[i + 1].kind == Event::Place) {
                const Event& centre = events[++i];
                if (centre.value != state.lastPlace) {
                    state.lastPlace = centre.value;
                    moveEvent(centre.value, state.lastSpeedX * 3, state.lastSpeedY * 2);
                }
            }
            while (i + 1 < events.size() && SliderLettingGo(events[i + 1])) {
                const Event& part = events[++i];
                if (part.kind == Event::ZoomReleased || part.kind == Event::FocusReleased)
                    released(part.kind == Event::ZoomReleased);
            }
            stopMoving();
            break;
        case Event::ComboText:
        case Event::PictureMoved:
        case Event::PictureValue: {
            int j = i;
            while (j < events.size() && Nestable(events[j]))
                ++j;
            if (loadDue) {
                // The pane loading the camera a click or pass of this action
                // opened: it comes when the camera's thread answers, after
                // what the window heard in the meantime (it lost the
                // keyboard, a held joystick ticked). It is judged as when
                // the camera was chosen: a pass counts it open only after.
                QList<Event> nested = events.mid(i, j - i);
                loadDue = false;
                const int openNow = std::exchange(state.cameraOpen, cameraOpenAtChoice);
                handleNested(nested);
                state.cameraOpen = openNow;
                i = j - 1;
            } else if (j < events.size() && events[j].kind == Event::Clicked && ReportsInside(events[j].text)) {
                QList<Event> nested = events.mid(i, j - i);
                click(events[j].text, nested);
                i = j;
            } else if (e.kind == Event::ComboText) {
                combo(e.text);
            } else if (e.kind == Event::PictureMoved) {
                picture(e.value, e.position, false);
            } else if (e.text != QLatin1String("down")) {
                // Not a drag (which reports through its moves): the wheel,
                // a key, a click on the groove.
                picture(e.value, e.position, false);
            }
            break;
        }
        case Event::Clicked: {
            // A camera tab's camera opens on its own thread: what loading it
            // makes the pane report comes once it has, after the click.
            QList<Event> nested;
            if (e.text.startsWith(QLatin1String("btn_cam")))
                while (i + 1 < events.size() && Nestable(events[i + 1]))
                    nested << events[++i];
            click(e.text, nested);
            break;
        }
        case Event::Place:
            if (e.value < 0 || e.value > 8)
                violations << QStringLiteral("joystick reported place %1").arg(e.value);
            if (e.value != state.lastPlace) {
                state.lastPlace = e.value;
                moveEvent(e.value, state.lastSpeedX * 3, state.lastSpeedY * 2);
            }
            break;
        case Event::SpeedPan:
        case Event::SpeedTilt: {
            if (e.value < 0 || e.value > 7)
                violations << QStringLiteral("joystick reported speed %1").arg(e.value);
            int& last = e.kind == Event::SpeedPan ? state.lastSpeedX : state.lastSpeedY;
            if (e.value != last) {
                last = e.value;
                moveEvent(state.lastPlace, state.lastSpeedX * 3, state.lastSpeedY * 2);
            }
            break;
        }
        case Event::ZoomValue:
        case Event::FocusValue:
            // The focus slider is enabled in manual focus only.
            slider(e, e.kind == Event::ZoomValue);
            break;
        case Event::ZoomReleased:
        case Event::FocusReleased:
            released(e.kind == Event::ZoomReleased);
            break;
        case Event::KeyPress:
        case Event::KeyRelease:
            key(e.value, e.kind == Event::KeyPress, e.position == 1);
            break;
        }
    }
}

void PanelModel::pass(QList<Event>& nested)
{
    // A move ends on the camera told to move before the bus is looked at.
    stopMoving();
    const QList<CameraId> cameras = bus.cameras();
    const int count = bus.anyFile() ? cameras.size() : 0;
    state.cameraCount = count;
    if (count > 0) {
        state.chosenTab = settingPress(0, nested) ? 1 : 0;
        state.muteFaceMuted = !state.unmuted;
        state.cameraOpen = 1;
        state.paneEnabled = true;
        state.noDeviceShown = false;
    } else {
        state.chosenTab = 0;
        state.muteFaceMuted = true;
        state.noDeviceShown = true;
        state.cameraOpen = 0;
    }
    if (!nested.isEmpty())
        violations << QStringLiteral("the settings pane changed in a pass that loaded nothing");
}

bool PanelModel::settingPress(int index, QList<Event>& nested)
{
    stopMoving();
    state.open = CameraId();
    state.cameraBound = false;
    const QList<CameraId> cameras = bus.cameras();
    if (index >= cameras.size() || !bus.file(cameras[index])->opens()) {
        ++failedOpens;
        return false;
    }
    state.open = cameras[index];
    state.cameraBound = true;
    state.loaded = true;
    opened << cameras[index];
    // Setting the sliders moves one the user holds; then the fields, then the
    // combo. Reports that do not follow at once come later in the action.
    loadDue = nested.isEmpty();
    cameraOpenAtChoice = state.cameraOpen;
    handleNested(nested);
    // A row whose read the camera refuses shows no value.
    const CameraFile& file = *bus.file(cameras[index]);
    for (int r = 0; r < kPictureRows; ++r) {
        const QStringList kinds =
            file.failing.value(QStringLiteral("proc-amp.%1").arg(kPictureIds[r])).split(QLatin1Char(','));
        state.readable[r] = !kinds.contains(QStringLiteral("all")) && !kinds.contains(QStringLiteral("get"));
        state.fields[r] = state.readable[r] ? QString::number(current[r]) : QString();
    }
    return true;
}

void PanelModel::handleNested(QList<Event>& nested)
{
    for (const Event& e : nested) {
        if (e.kind == Event::ComboText)
            combo(e.text);
        else if (e.kind == Event::PictureMoved)
            picture(e.value, e.position, true);
        // A value the slot itself set (PictureValue) sends nothing.
    }
    nested.clear();
}

void PanelModel::click(const QString& button, QList<Event>& nested)
{
    // Values the slot itself gave the picture sliders (Cam2 puts back the
    // white balance even when its camera then fails to open) send nothing.
    nested.erase(
        std::remove_if(nested.begin(), nested.end(), [](const Event& e) { return e.kind == Event::PictureValue; }),
        nested.end());
    const bool open = state.cameraOpen == 1;
    if (button.startsWith(QLatin1String("btn_num"))) {
        const int digit = button.mid(7).toInt();
        if (!open)
            return;
        // A mode is used up by a digit the camera took.
        if (state.presetSetMode == 1) {
            if (send(QStringLiteral("PresetSet(%1)").arg(digit), kCameraControl, kCommand, 20 + digit, kAbsolute))
                state.presetSetMode = 0;
        } else if (state.presetClearMode == 1) {
            if (send(QStringLiteral("PresetClear(%1)").arg(digit), kCameraControl, kCommand, 60 + digit, kAbsolute))
                state.presetClearMode = 0;
        } else {
            send(QStringLiteral("PresetCall(%1)").arg(digit), kCameraControl, kCommand, 100 + digit, kAbsolute);
        }
    } else if (button == QLatin1String("btn_set")) {
        state.presetSetMode = 1;
        state.presetClearMode = 0;
    } else if (button == QLatin1String("btn_clear")) {
        state.presetSetMode = 0;
        state.presetClearMode = 1;
    } else if (button == QLatin1String("btn_af")) {
        // A toggle turns (face and state) only for a command the camera took.
        const bool manual = !state.afManual;
        if (open
            && send(manual ? QStringLiteral("FocusManual") : QStringLiteral("FocusAuto"), kCameraControl, kCommand,
                manual ? FocusManual : FocusAuto, kRelative))
            state.afManual = manual;
    } else if (button == QLatin1String("btn_ai")) {
        const bool manual = !state.aiManual;
        if (open
            && send(manual ? QStringLiteral("FramingManual") : QStringLiteral("FramingAuto"), kCameraControl, kCommand,
                manual ? FramingManual : FramingAuto, kRelative)) {
            state.aiManual = manual;
        }
    } else if (button == QLatin1String("btn_push")) {
        if (open)
            send(QStringLiteral("FramingManual"), kCameraControl, kCommand, FramingManual, kRelative);
    } else if (button == QLatin1String("btn_mute")) {
        const bool mute = state.unmuted;
        if (open
            && send(mute ? QStringLiteral("MuteOn") : QStringLiteral("MuteOff"), kCameraControl, kCommand,
                mute ? MuteOn : MuteOff, kRelative)) {
            state.unmuted = !mute;
            state.muteFaceMuted = mute;
        }
    } else if (button == QLatin1String("btn_flip")) {
        if (open
            && send(state.unflipped ? QStringLiteral("FlipOn") : QStringLiteral("FlipOff"), kCameraControl, kCommand,
                state.unflipped ? FlipOn : FlipOff, kRelative))
            state.unflipped = !state.unflipped;
    } else if (button == QLatin1String("btn_mirror")) {
        if (open
            && send(state.unmirrored ? QStringLiteral("MirrorOn") : QStringLiteral("MirrorOff"), kCameraControl,
                kCommand, state.unmirrored ? MirrorOn : MirrorOff, kRelative))
            state.unmirrored = !state.unmirrored;
    } else if (button == QLatin1String("btn_home")) {
        if (open)
            send(QStringLiteral("Home"), kCameraControl, kCommand, Home, kRelative);
    } else if (button.startsWith(QLatin1String("btn_cam"))) {
        const int number = button.mid(7).toInt();
        if (number == 1 && state.cameraCount == 0) {
            state.chosenTab = 0;
        } else if (number > 1 && state.cameraCount < number) {
            state.noCameraShown = 1;  // one at most: a second click raises it
        } else {
            state.chosenTab = settingPress(number - 1, nested) ? number : 0;
        }
    } else if (button == QLatin1String("btn_setting")) {
        if (state.cameraOpen == 0) {
            state.paneEnabled = false;
            state.settingsShown = false;
        } else
            state.settingsShown = !state.settingsShown;
    } else if (button == QLatin1String("btn_ok")) {
        state.settingsShown = false;
    } else if (button == QLatin1String("btn_default")) {
        handleNested(nested);
        for (int r = 0; r < kPictureRows; ++r)
            state.fields[r] = state.readable[r] || !state.loaded ? QString::number(defaults[r]) : QString();
        if (pictureReachesCamera()) {
            const int wb = defaults[kWhiteBalanceRow];
            send(QStringLiteral("SetWhiteBalance(%1)").arg(wb), kProcAmp, kPictureIds[kWhiteBalanceRow], wb,
                wb != 0 ? kManual : kAuto);
            for (int r = 0; r < kWhiteBalanceRow; ++r)
                send(QStringLiteral("Set %1(%2)").arg(QLatin1String(kPictureNames[r])).arg(defaults[r]), kProcAmp,
                    kPictureIds[r], defaults[r], kManual);
            send(QStringLiteral("SetPowerLineFrequency(%1)").arg(defaults[kPictureRows]), kProcAmp, kPowerLineId,
                defaults[kPictureRows], kManual);
            send(QStringLiteral("SetWhiteBalanceMode(0)"), kProcAmp, kPictureIds[kWhiteBalanceRow], 0, kAuto);
        }
    }
    // btn_top, btn_min, btn_close: the window only.
    if (!nested.isEmpty())
        violations << QStringLiteral("the settings pane changed inside a click on %1 that loaded nothing").arg(button);
}

void PanelModel::combo(const QString& text)
{
    int value;
    if (text == QLatin1String("50HZ"))
        value = 1;
    else if (text == QLatin1String("60HZ"))
        value = 2;
    else if (text == QLatin1String("OFF"))
        value = 0;
    else
        return;
    if (pictureReachesCamera())
        send(QStringLiteral("SetPowerLineFrequency(%1)").arg(value), kProcAmp, kPowerLineId, value, kManual);
}

void PanelModel::picture(int row, int position, bool bySlot)
{
    if (!bySlot && (!state.settingsShown || !state.paneEnabled))
        violations << QStringLiteral("slider_%1 was dragged while the pane is hidden or disabled")
                          .arg(QLatin1String(kPictureNames[row]));
    state.fields[row] = QString::number(position);
    if (pictureReachesCamera()) {
        const int flags = row == kWhiteBalanceRow && position == 0 ? kAuto : kManual;
        send(QStringLiteral("Set %1(%2)").arg(QLatin1String(kPictureNames[row])).arg(position), kProcAmp,
            kPictureIds[row], position, flags);
    }
}

void PanelModel::key(int key, bool press, bool autoRepeat)
{
    if (state.cameraOpen != 1)
        return;
    // A release marked as auto-repeated is a held key repeating, not the
    // user letting go: it stops nothing.
    if (!press && autoRepeat)
        return;
    if (press) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            const int digit = key - Qt::Key_0;
            send(QStringLiteral("PresetCall(%1)").arg(digit), kCameraControl, kCommand, 100 + digit, kAbsolute);
            return;
        }
        switch (key) {
        // As btn_ai: face and state turn together, for a mode the camera took.
        case Qt::Key_F:
            if (send(QStringLiteral("FramingAuto"), kCameraControl, kCommand, FramingAuto, kRelative))
                state.aiManual = false;
            break;
        case Qt::Key_M:
        case Qt::Key_P:
            if (send(QStringLiteral("FramingManual"), kCameraControl, kCommand, FramingManual, kRelative))
                state.aiManual = true;
            break;
        case Qt::Key_T:
            send(QStringLiteral("ZoomIn"), kCameraControl, kZoomRelative, 1, kRelative);
            state.moving |= kZoomAxis;
            break;
        case Qt::Key_W:
            send(QStringLiteral("ZoomOut"), kCameraControl, kZoomRelative, -1, kRelative);
            state.moving |= kZoomAxis;
            break;
        case Qt::Key_Left:
            send(QStringLiteral("PanLeft(21)"), kCameraControl, kPanRelative, -21, kRelative);
            state.moving |= kPanAxis;
            break;
        case Qt::Key_Right:
            send(QStringLiteral("PanRight(21)"), kCameraControl, kPanRelative, 21, kRelative);
            state.moving |= kPanAxis;
            break;
        case Qt::Key_Up:
            send(QStringLiteral("TiltUp(14)"), kCameraControl, kTiltRelative, 14, kRelative);
            state.moving |= kTiltAxis;
            break;
        case Qt::Key_Down:
            send(QStringLiteral("TiltDown(14)"), kCameraControl, kTiltRelative, -14, kRelative);
            state.moving |= kTiltAxis;
            break;
        // Focus far and near, in manual focus only, as the focus slider.
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (state.afManual) {
                const bool far = key == Qt::Key_PageUp;
                send(far ? QStringLiteral("FocusFar") : QStringLiteral("FocusNear"), kCameraControl, kFocusRelative,
                    far ? -1 : 1, kRelative);
                state.moving |= kFocusAxis;
            }
            break;
        default:
            break;
        }
        return;
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        send(QStringLiteral("TiltStop"), kCameraControl, kTiltRelative, 0, kRelative);
        state.moving &= ~kTiltAxis;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        send(QStringLiteral("PanStop"), kCameraControl, kPanRelative, 0, kRelative);
        state.moving &= ~kPanAxis;
        break;
    case Qt::Key_T:
    case Qt::Key_W:
        send(QStringLiteral("ZoomStop"), kCameraControl, kZoomRelative, 0, kRelative);
        state.moving &= ~kZoomAxis;
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (state.afManual) {
            send(QStringLiteral("FocusStop"), kCameraControl, kFocusRelative, 0, kRelative);
            state.moving &= ~kFocusAxis;
        }
        break;
    default:
        break;
    }
}

void PanelModel::moveEvent(int place, int x, int y)
{
    if (state.cameraOpen != 1)
        return;
    static constexpr unsigned kAxes[9] = {kPanAxis | kTiltAxis, kTiltAxis, kPanAxis | kTiltAxis, kPanAxis, 0, kPanAxis,
        kPanAxis | kTiltAxis, kTiltAxis, kPanAxis | kTiltAxis};
    if (place == 4)
        state.moving &= ~(kPanAxis | kTiltAxis);
    else if (place >= 0 && place <= 8)
        state.moving |= kAxes[place];
    const auto pan = [&](bool right) {
        send(right ? QStringLiteral("PanRight(%1)").arg(x) : QStringLiteral("PanLeft(%1)").arg(x), kCameraControl,
            kPanRelative, right ? x : -x, kRelative);
    };
    const auto tilt = [&](bool up) {
        send(up ? QStringLiteral("TiltUp(%1)").arg(y) : QStringLiteral("TiltDown(%1)").arg(y), kCameraControl,
            kTiltRelative, up ? y : -y, kRelative);
    };
    switch (place) {
    case 0:
        pan(false);
        tilt(true);
        break;
    case 1:
        tilt(true);
        break;
    case 2:
        pan(true);
        tilt(true);
        break;
    case 3:
        pan(false);
        break;
    case 4:
        send(QStringLiteral("TiltUpStop"), kCameraControl, kTiltRelative, 0, kRelative);
        send(QStringLiteral("TiltDownStop"), kCameraControl, kTiltRelative, 0, kRelative);
        send(QStringLiteral("PanLeftStop"), kCameraControl, kPanRelative, 0, kRelative);
        send(QStringLiteral("PanRightStop"), kCameraControl, kPanRelative, 0, kRelative);
        break;
    case 5:
        pan(true);
        break;
    case 6:
        pan(false);
        tilt(false);
        break;
    case 7:
        tilt(false);
        break;
    case 8:
        tilt(false);
        pan(true);
        break;
    default:
        break;
    }
}

QList<Request> PanelModel::takeExpected() { return std::exchange(expected, {}); }
QList<CameraId> PanelModel::takeOpened() { return std::exchange(opened, {}); }
int PanelModel::takeFailedOpens() { return std::exchange(failedOpens, 0); }
QStringList PanelModel::takeViolations() { return std::exchange(violations, {}); }

}  // namespace monkey
