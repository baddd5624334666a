#include "PanelModel.h"

#include <Qt>

#include <utility>

namespace monkey {

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

// Reports a slot makes its widgets give while it runs: the combo's text
// and, for a picture slider the user holds, its moves.
bool Nestable(const Event& e) { return e.kind == Event::ComboText || e.kind == Event::PictureMoved; }

// A camera tab's click or Default gives them before its own click is seen.
bool ReportsInside(const QString& button)
{
    return button.startsWith(QLatin1String("btn_cam")) || button == QLatin1String("btn_default");
}

}  // namespace

QString Request::line() const
{
    return QStringLiteral("%1 ks-set %2 %3 value1=%4 flags=0x%5").arg(camera, set).arg(id).arg(value1).arg(flags, 0, 16);
}

void PanelModel::send(const QString& operation, const char* set, int id, int value1, int flags)
{
    // A request reaches only the camera the library holds open, and only
    // while that camera is plugged in.
    if (!state.open.valid() || !bus.alive(state.open))
        return;
    expected << Request{operation, state.open.name, QLatin1String(set), id, value1, flags};
}

void PanelModel::apply(const QList<Event>& events, const std::array<int, kPictureRows>& cacheCurrent,
                       const std::array<int, kPictureRows + 1>& cacheDefault)
{
    current = cacheCurrent;
    defaults = cacheDefault;
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
        case Event::ComboText:
        case Event::PictureMoved: {
            int j = i;
            while (j < events.size() && Nestable(events[j]))
                ++j;
            if (j < events.size() && events[j].kind == Event::Clicked && ReportsInside(events[j].text)) {
                QList<Event> nested = events.mid(i, j - i);
                click(events[j].text, nested);
                i = j;
            } else if (e.kind == Event::ComboText) {
                combo(e.text);
            } else {
                picture(e.value, e.position, false);
            }
            break;
        }
        case Event::Clicked: {
            QList<Event> none;
            click(e.text, none);
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
            if (state.cameraOpen == 1) {
                if (e.value > 45)
                    send(QStringLiteral("ZoomIn"), kCameraControl, kZoomRelative, 1, kRelative);
                else if (e.value < 45)
                    send(QStringLiteral("ZoomOut"), kCameraControl, kZoomRelative, -1, kRelative);
                else
                    send(QStringLiteral("ZoomStop"), kCameraControl, kZoomRelative, 0, kRelative);
            }
            break;
        case Event::ZoomReleased:
            if (state.cameraOpen == 1)
                send(QStringLiteral("ZoomStop"), kCameraControl, kZoomRelative, 0, kRelative);
            break;
        case Event::FocusValue:
        case Event::FocusReleased:
            // The focus slider is enabled in manual focus only.
            if (!state.afManual)
                violations << QStringLiteral("the focus slider moved while auto focus is shown");
            if (state.cameraOpen != 1)
                break;
            if (e.kind == Event::FocusReleased || e.value == 45)
                send(QStringLiteral("FocusStop"), kCameraControl, kFocusRelative, 0, kRelative);
            else if (e.value > 45)
                send(QStringLiteral("FocusFar"), kCameraControl, kFocusRelative, -1, kRelative);
            else
                send(QStringLiteral("FocusNear"), kCameraControl, kFocusRelative, 1, kRelative);
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
    const QList<CameraId> cameras = bus.cameras();
    const int count = bus.anyFile() ? cameras.size() : 0;
    state.cameraCount = count;
    if (count > 0) {
        settingPress(0, nested);
        state.chosenTab = 1;
        state.muteFaceMuted = false;
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

void PanelModel::settingPress(int index, QList<Event>& nested)
{
    state.open = CameraId();
    state.cameraBound = false;
    const QList<CameraId> cameras = bus.cameras();
    if (index >= cameras.size() || !bus.file(cameras[index])->opens()) {
        ++failedOpens;
        return;
    }
    state.open = cameras[index];
    state.cameraBound = true;
    state.loaded = true;
    opened << cameras[index];
    // Setting the sliders moves one the user holds; then the fields, then the combo.
    handleNested(nested);
    for (int r = 0; r < kPictureRows; ++r)
        state.fields[r] = QString::number(current[r]);
}

void PanelModel::handleNested(QList<Event>& nested)
{
    for (const Event& e : nested) {
        if (e.kind == Event::ComboText)
            combo(e.text);
        else
            picture(e.value, e.position, true);
    }
    nested.clear();
}

void PanelModel::click(const QString& button, QList<Event>& nested)
{
    const bool open = state.cameraOpen == 1;
    if (button.startsWith(QLatin1String("btn_num"))) {
        const int digit = button.mid(7).toInt();
        if (!open)
            return;
        if (state.presetSetMode == 1) {
            send(QStringLiteral("PresetSet(%1)").arg(digit), kCameraControl, kCommand, 20 + digit, kAbsolute);
            state.presetSetMode = 0;
        } else if (state.presetClearMode == 1) {
            send(QStringLiteral("PresetClear(%1)").arg(digit), kCameraControl, kCommand, 60 + digit, kAbsolute);
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
        state.afManual = !state.afManual;
        if (open)
            send(state.afManual ? QStringLiteral("FocusManual") : QStringLiteral("FocusAuto"), kCameraControl,
                 kCommand, state.afManual ? FocusManual : FocusAuto, kRelative);
    } else if (button == QLatin1String("btn_ai")) {
        state.aiManual = !state.aiManual;
        state.aiFaceManual = state.aiManual;
        if (open)
            send(state.aiManual ? QStringLiteral("FramingManual") : QStringLiteral("FramingAuto"), kCameraControl,
                 kCommand, state.aiManual ? FramingManual : FramingAuto, kRelative);
    } else if (button == QLatin1String("btn_push")) {
        if (open)
            send(QStringLiteral("FramingManual"), kCameraControl, kCommand, FramingManual, kRelative);
    } else if (button == QLatin1String("btn_mute")) {
        state.unmuted = !state.unmuted;
        state.muteFaceMuted = !state.unmuted;
        if (open)
            send(state.unmuted ? QStringLiteral("MuteOff") : QStringLiteral("MuteOn"), kCameraControl, kCommand,
                 state.unmuted ? MuteOff : MuteOn, kRelative);
    } else if (button == QLatin1String("btn_flip")) {
        state.unflipped = !state.unflipped;
        if (open)
            send(state.unflipped ? QStringLiteral("FlipOff") : QStringLiteral("FlipOn"), kCameraControl, kCommand,
                 state.unflipped ? FlipOff : FlipOn, kRelative);
    } else if (button == QLatin1String("btn_mirror")) {
        state.unmirrored = !state.unmirrored;
        if (open)
            send(state.unmirrored ? QStringLiteral("MirrorOff") : QStringLiteral("MirrorOn"), kCameraControl,
                 kCommand, state.unmirrored ? MirrorOff : MirrorOn, kRelative);
    } else if (button == QLatin1String("btn_home")) {
        if (open)
            send(QStringLiteral("Home"), kCameraControl, kCommand, Home, kRelative);
    } else if (button.startsWith(QLatin1String("btn_cam"))) {
        const int number = button.mid(7).toInt();
        if (number == 1 && state.cameraCount == 0) {
            state.chosenTab = 0;
        } else if (number > 1 && state.cameraCount < number) {
            ++state.noCameraShown;
        } else {
            settingPress(number - 1, nested);
            state.chosenTab = number;
        }
    } else if (button == QLatin1String("btn_setting")) {
        if (state.cameraOpen == 0)
            state.paneEnabled = false;
        else
            state.settingsShown = !state.settingsShown;
    } else if (button == QLatin1String("btn_ok")) {
        state.settingsShown = false;
    } else if (button == QLatin1String("btn_default")) {
        handleNested(nested);
        for (int r = 0; r < kPictureRows; ++r)
            state.fields[r] = QString::number(defaults[r]);
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
        case Qt::Key_F:
            send(QStringLiteral("FramingAuto"), kCameraControl, kCommand, FramingAuto, kRelative);
            state.aiFaceManual = false;
            break;
        case Qt::Key_M:
        case Qt::Key_P:
            send(QStringLiteral("FramingManual"), kCameraControl, kCommand, FramingManual, kRelative);
            state.aiFaceManual = true;
            break;
        case Qt::Key_T:
            send(QStringLiteral("ZoomIn"), kCameraControl, kZoomRelative, 1, kRelative);
            break;
        case Qt::Key_W:
            send(QStringLiteral("ZoomOut"), kCameraControl, kZoomRelative, -1, kRelative);
            break;
        case Qt::Key_Left:
            send(QStringLiteral("PanLeft(21)"), kCameraControl, kPanRelative, -21, kRelative);
            break;
        case Qt::Key_Right:
            send(QStringLiteral("PanRight(21)"), kCameraControl, kPanRelative, 21, kRelative);
            break;
        case Qt::Key_Up:
            send(QStringLiteral("TiltUp(14)"), kCameraControl, kTiltRelative, 14, kRelative);
            break;
        case Qt::Key_Down:
            send(QStringLiteral("TiltDown(14)"), kCameraControl, kTiltRelative, -14, kRelative);
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
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        send(QStringLiteral("PanStop"), kCameraControl, kPanRelative, 0, kRelative);
        break;
    case Qt::Key_T:
    case Qt::Key_W:
        send(QStringLiteral("ZoomStop"), kCameraControl, kZoomRelative, 0, kRelative);
        break;
    default:
        break;
    }
}

void PanelModel::moveEvent(int place, int x, int y)
{
    if (state.cameraOpen != 1)
        return;
    const auto pan = [&](bool right) {
        send(right ? QStringLiteral("PanRight(%1)").arg(x) : QStringLiteral("PanLeft(%1)").arg(x), kCameraControl,
             kPanRelative, right ? x : -x, kRelative);
    };
    const auto tilt = [&](bool up) {
        send(up ? QStringLiteral("TiltUp(%1)").arg(y) : QStringLiteral("TiltDown(%1)").arg(y), kCameraControl,
             kTiltRelative, up ? y : -y, kRelative);
    };
    switch (place) {
    case 0: pan(false); tilt(true); break;
    case 1: tilt(true); break;
    case 2: pan(true); tilt(true); break;
    case 3: pan(false); break;
    case 4:
        send(QStringLiteral("TiltUpStop"), kCameraControl, kTiltRelative, 0, kRelative);
        send(QStringLiteral("TiltDownStop"), kCameraControl, kTiltRelative, 0, kRelative);
        send(QStringLiteral("PanLeftStop"), kCameraControl, kPanRelative, 0, kRelative);
        send(QStringLiteral("PanRightStop"), kCameraControl, kPanRelative, 0, kRelative);
        break;
    case 5: pan(true); break;
    case 6: pan(false); tilt(false); break;
    case 7: tilt(false); break;
    case 8: tilt(false); pan(true); break;
    default: break;
    }
}

QList<Request> PanelModel::takeExpected() { return std::exchange(expected, {}); }
QList<CameraId> PanelModel::takeOpened() { return std::exchange(opened, {}); }
int PanelModel::takeFailedOpens() { return std::exchange(failedOpens, 0); }
QStringList PanelModel::takeViolations() { return std::exchange(violations, {}); }

}  // namespace monkey
