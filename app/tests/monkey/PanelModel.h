// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What the panel must do, as its description says, for what its widgets
// report: the reference the monkey test holds the real window to. It is fed
// the widgets' reports of one user action (clicks, joystick and slider
// reports, keys that reach the window, discovery passes) and answers with
// the requests the cameras must then have received and what the window must
// show. A face turns only for a command the camera took: the model knows
// from the bus which camera is open and plugged and which requests it
// refuses.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>

#include "MonkeyBus.h"

namespace monkey {

// One report of the panel's widgets, in the order it happened.
struct Event {
    enum Kind {
        Pass,           // the discovery timer fired (seen before the pass runs)
        Place,          // joystick keyNumchanged
        SpeedPan,       // joystick Speed_Pan
        SpeedTilt,      // joystick Speed_Tilt
        ZoomValue,      // slider_zoom valueChanged: position = 1 with the handle held
        ZoomReleased,   // slider_zoom sliderReleased
        FocusValue,     // slider_focus valueChanged: likewise
        FocusReleased,  // slider_focus sliderReleased
        PictureMoved,   // a picture slider's sliderMoved: value = row, position
        PictureValue,   // its valueChanged: value = row, position; text "down" with the handle held
        LetGo,          // the window went away or lost the keyboard
        ComboText,      // cb_fliker currentTextChanged
        Clicked,        // a button's clicked(): text = object name
        KeyPress,       // a key event that reached the window: value = key,
        KeyRelease,     //   position = 1 when auto-repeated
    };
    Event(Kind kind, int value = 0, int position = 0, QString text = QString())
        : kind(kind), value(value), position(position), text(std::move(text))
    {
    }
    Kind kind;
    int value;
    int position;
    QString text;
};

// One request a camera must receive, as the log shows it.
struct Request {
    QString operation;  // "PanLeft(21)", for messages
    QString camera;
    QString set;
    int id = 0;
    int value1 = 0;
    int flags = 0;
    QString line() const;  // "<camera> ks-set <set> <id> value1=<v> flags=0x<f>"
};

// The picture rows of the settings pane, top to bottom.
constexpr int kPictureRows = 7;
extern const std::array<const char*, kPictureRows> kPictureNames;  // "blc", "gamma", ...

struct PanelState {
    int cameraOpen = 0;   // g_cameraOpen
    int cameraCount = 0;  // g_cameraCount
    int chosenTab = -1;   // 1..5 green, 0 all black, -1 as built (btn_cam1 without image)
    bool muteFaceMuted = true;
    bool unmuted = true;
    bool afManual = false;
    bool aiManual = false;
    int presetSetMode = 0;
    int presetClearMode = 0;
    bool unflipped = true;
    bool unmirrored = true;
    int lastPlace = 4;
    int lastSpeedX = 0;
    int lastSpeedY = 0;
    bool settingsShown = false;
    bool paneEnabled = true;
    bool cameraBound = false;  // the last Open succeeded
    CameraId open;             // the camera the library holds open
    unsigned moving = 0;       // axes set moving and not stopped: 1 pan, 2 tilt, 4 zoom, 8 focus
    int zoomAt = 45;           // where a hand last put the zoom handle
    int focusAt = 45;
    bool noDeviceShown = false;                 // the newest no-device warning is up
    int noCameraShown = 0;                      // no-camera warnings up
    bool loaded = false;                        // a camera's settings were loaded once
    std::array<QString, kPictureRows> fields;   // the value fields' texts
    std::array<bool, kPictureRows> readable{};  // the open camera answered the row's read
};

class PanelModel {
public:
    explicit PanelModel(const MonkeyBus& bus) : bus(bus) {}

    PanelState state;

    // One action's reports. `cacheCurrent` and `cacheDefault` give the
    // settings cache (g_pictureSettings) as it is after the action: the
    // values a camera answered are the panel's to show.
    void apply(const QList<Event>& events, const std::array<int, kPictureRows>& cacheCurrent,
        const std::array<int, kPictureRows + 1>& cacheDefault);

    // What the action must have sent and opened, and what it did that its
    // state did not allow; each call hands them out once.
    QList<Request> takeExpected();
    QList<CameraId> takeOpened();
    int takeFailedOpens();
    QStringList takeViolations();

    // A user dismissed a warning.
    void dismissNoDevice() { state.noDeviceShown = false; }
    void dismissNoCamera() { state.noCameraShown = 0; }

private:
    void pass(QList<Event>& nested);
    // True when the camera opened.
    bool settingPress(int index, QList<Event>& nested);
    void stopMoving();
    void slider(const Event& e, bool zoom);
    void released(bool zoom);
    void click(const QString& button, QList<Event>& nested);
    void combo(const QString& text);
    void key(int key, bool press, bool autoRepeat);
    void moveEvent(int place, int x, int y);
    // A picture slider's move; `bySlot` when a slot set the slider the user holds.
    void picture(int row, int position, bool bySlot);
    void handleNested(QList<Event>& nested);
    // Expects the request where it can arrive; true when the camera takes it.
    bool send(const QString& operation, const char* set, int id, int value1, int flags);
    bool refuses(const CameraFile& file, const char* set, int id) const;
    bool pictureReachesCamera() const { return state.cameraOpen == 1 && state.cameraBound; }

    const MonkeyBus& bus;
    std::array<int, kPictureRows> current{};
    std::array<int, kPictureRows + 1> defaults{};
    QList<Request> expected;
    QList<CameraId> opened;
    int failedOpens = 0;
    QStringList violations;
    bool loadDue = false;        // a camera opened in this action and its pane has not reported loading it
    int cameraOpenAtChoice = 0;  // state.cameraOpen when that camera was chosen
};

}  // namespace monkey
