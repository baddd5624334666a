// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Moving the camera from the panel: the joystick, the zoom and focus
// sliders, the keyboard and gamepads, checked through the requests a
// simulated camera receives, in order.
#include "panel_harness.h"

#include <QtTest>

namespace {

// Joystick points (widget coordinates; the knob's travel circle has radius
// 36 around 58,58, so these all put the knob on the rim).
const QString kRight = QStringLiteral("108,58");
const QString kLeft = QStringLiteral("8,58");
const QString kUp = QStringLiteral("58,8");
const QString kUpLeft = QStringLiteral("23,23");  // 45 degrees: place 0, steps 5 and 5

const QString kFourStops = QStringLiteral("sent TiltUpStop TiltDownStop PanLeftStop PanRightStop");

// A pad's stick at rest again: the centre place, the four stops.
const QString kPadStops = kFourStops;

// The panel's own warnings ("ptzdeck: ...") while a scenario runs; the rest
// goes on to the test's usual handler.
class PanelWarnings {
public:
    PanelWarnings()
    {
        current = this;
        previous = qInstallMessageHandler(&PanelWarnings::handle);
    }
    ~PanelWarnings()
    {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
    QStringList messages;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg && text.startsWith(QLatin1String("ptzdeck: ")) && current)
            current->messages << text;
        else if (previous)
            previous(type, context, text);
    }
    static inline PanelWarnings* current = nullptr;
    static inline QtMessageHandler previous = nullptr;
};

}  // namespace

class CameraMotionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(bus.isValid()); }

    void joystick_data();
    void joystick() { runRow(); }
    void sliders_data();
    void sliders() { runRow(); }
    void keyboard_data();
    void keyboard() { runRow(); }
    void stops_data();
    void stops() { runRow(); }
    void slowCamera_data();
    void slowCamera() { runRow(); }
    void gamepad_data();
    void gamepad() { runRow(); }
    void gamepadHotplug_data();
    void gamepadHotplug() { runPadRow(); }
    void gamepadConfig_data();
    void gamepadConfig() { runPadRow(); }

private:
    void runRow()
    {
        QFETCH(QStringList, cameras);
        QFETCH(QStringList, steps);
        runScenario(bus, cameras, steps);
    }
    static void columns()
    {
        QTest::addColumn<QStringList>("cameras");
        QTest::addColumn<QStringList>("steps");
    }
    // Scenarios that also say what the user's gamepad.conf holds (a null
    // string: there is none) and which warnings the panel prints, each once
    // and in order (each the start of one; "<conf>" is the file's path).
    void runPadRow()
    {
        QFETCH(QStringList, cameras);
        QFETCH(QString, conf);
        QFETCH(QStringList, warnings);
        QFETCH(QStringList, steps);
        PanelWarnings printed;
        runScenario(bus, cameras, steps, conf.isNull() ? std::nullopt : std::optional<QString>(conf));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(printed.messages.size(), warnings.size());
        for (int i = 0; i < warnings.size(); ++i) {
            const QString expected = QString(warnings[i]).replace(QLatin1String("<conf>"), gamepadConfPath(bus));
            QVERIFY2(printed.messages[i].startsWith(expected),
                qPrintable(QStringLiteral("printed: %1\nexpected: %2").arg(printed.messages[i], expected)));
        }
    }
    static void padColumns()
    {
        QTest::addColumn<QStringList>("cameras");
        QTest::addColumn<QString>("conf");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QStringList>("steps");
    }

    SimBus bus;
};

void CameraMotionTest::joystick_data()
{
    columns();
    const QStringList a{"a"};

    // Every tick reports place 4 and speeds 0, all repeats of the start values.
    QTest::newRow("press and release in the centre")
        << a << QStringList{"joy press 58,58", "ticks 3", "sent", "joy release", "sent"};

    // Fresh speeds are 0: the place report moves at 0, the speed report at 21;
    // later ticks repeat themselves and send nothing.
    QTest::newRow("drag to the right rim and release")
        << a
        << QStringList{"joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "ticks 3", "sent",
               "joy release", kFourStops};

    // The speeds are not reset on release: the new place first moves with the
    // old steps, then the speed reports of the same tick correct them.
    QTest::newRow("drag up after a full-speed drag right")
        << a
        << QStringList{"joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "ticks 2",
               "joy release", kFourStops, "joy press 58,58", "joy move " + kUp, "await TiltUp(0) TiltUp(0) TiltUp(14)",
               "ticks 2", "sent", "joy release", kFourStops};

    // Only the centre stops: riding the rim from left to up-left to up never
    // stops the pan.
    QTest::newRow("round the rim from left to up keeps panning")
        << a
        << QStringList{"joy press 58,58", "joy move " + kLeft, "await PanLeft(0) PanLeft(21)", "ticks 2",
               "joy move " + kUpLeft, "await PanLeft(21) TiltUp(0) PanLeft(15) TiltUp(0) PanLeft(15) TiltUp(10)",
               "ticks 2", "joy move " + kUp, "await TiltUp(10) TiltUp(10) TiltUp(14)", "ticks 2", "sent", "joy release",
               kFourStops};

    // Back to the centre without letting go stops both axes at once.
    QTest::newRow("back to the centre while held")
        << a
        << QStringList{"joy press 58,58", "joy move 108,108",
               "await TiltDown(0) PanRight(0) TiltDown(0) PanRight(15) TiltDown(10) PanRight(15)", "ticks 2",
               "joy move 58,58",
               "await TiltUpStop TiltDownStop PanLeftStop PanRightStop"
               " TiltUpStop TiltDownStop PanLeftStop PanRightStop TiltUpStop TiltDownStop PanLeftStop PanRightStop",
               "ticks 2", "sent", "joy release", "sent"};

    // Without a camera the reports are still remembered: a camera that
    // appears while the knob rests on the rim gets nothing until something
    // changes, and the release stops it with the remembered speeds.
    QTest::newRow("camera appears while the knob rests on the rim")
        << QStringList{}
        << QStringList{"joy press 58,58", "joy move " + kRight, "ticks 3", "sent", "plug a", "cameras 1", "ticks 3",
               "sent", "joy release", kFourStops};
}

void CameraMotionTest::sliders_data()
{
    columns();
    const QStringList a{"a"};

    // One move per value the handle passes (46 to 50); the release springs
    // back to 45, which itself reports a stop, and then stops again.
    QTest::newRow("zoom drag up from 45 to 50 and release")
        << a
        << QStringList{"drag slider_zoom 50", "sent ZoomIn(1) ZoomIn(1) ZoomIn(1) ZoomIn(1) ZoomIn(1)",
               "release slider_zoom", "sent ZoomStop ZoomStop", "value slider_zoom 45"};

    QTest::newRow("zoom drag down, back through the rest, and release")
        << a
        << QStringList{"drag slider_zoom 43", "sent ZoomOut(1) ZoomOut(1)", "drag slider_zoom 46",
               "sent ZoomOut(1) ZoomStop ZoomIn(1)", "release slider_zoom", "sent ZoomStop ZoomStop",
               "value slider_zoom 45"};

    QTest::newRow("zoom handle released where it was pressed")
        << a
        << QStringList{"drag slider_zoom 45", "sent", "release slider_zoom", "sent ZoomStop", "value slider_zoom 45"};

    // Focus moves only in manual focus; up is far, down is near.
    QTest::newRow("focus drag in manual focus")
        << a
        << QStringList{"click btn_af", "sent FocusManual", "enabled slider_focus 1", "drag slider_focus 48",
               "sent FocusFar(1) FocusFar(1) FocusFar(1)", "drag slider_focus 44",
               "sent FocusFar(1) FocusFar(1) FocusStop FocusNear(1)", "release slider_focus",
               "sent FocusStop FocusStop", "value slider_focus 45"};

    QTest::newRow("focus cannot move in auto focus")
        << a
        << QStringList{"enabled slider_focus 0", "push slider_focus 10", "value slider_focus 45",
               "release slider_focus", "sent", "value slider_focus 45"};

    // No control takes the keyboard on a click. Should a slider have it all
    // the same, a key on it has no release to end its move: it nudges (one
    // move and its stop) and the handle is back at rest at once. The key's
    // release still reaches the window and stops the tilt, which is not
    // moving.
    QTest::newRow("keys on a zoom slider that has the keyboard")
        << a
        << QStringList{"focus slider_zoom", "key Up", "value slider_zoom 45", "sent ZoomIn(1) ZoomStop", "keyup Up",
               "sent TiltUpStop", "key Down", "sent ZoomOut(1) ZoomStop", "keyup Down", "sent TiltDownStop", "key End",
               "key Home", "value slider_zoom 45", "sent ZoomIn(1) ZoomStop ZoomOut(1) ZoomStop"};

    QTest::newRow("keys on a focus slider that has the keyboard")
        << a
        << QStringList{"click btn_af", "sent FocusManual", "focus slider_focus", "key PageUp", "key Up",
               "value slider_focus 45", "sent FocusFar(1) FocusStop", "keyup Up", "sent TiltUpStop"};

    // A click on the groove jumps the handle: a nudge too; the handle is
    // then held where it sprang back to, and letting go stops once more.
    QTest::newRow("a click on the zoom slider's groove")
        << a
        << QStringList{"groove slider_zoom 0.9", "value slider_zoom 45", "sent ZoomIn(1) ZoomStop ZoomStop",
               "groove slider_zoom 0.1", "value slider_zoom 45", "sent ZoomOut(1) ZoomStop ZoomStop"};

    // The sliders have no page step, so a wheel turn cannot move them.
    QTest::newRow("wheel on the zoom and focus sliders")
        << a
        << QStringList{"wheel slider_zoom 120", "wheel slider_zoom -360", "value slider_zoom 45", "click btn_af",
               "sent FocusManual", "wheel slider_focus 120", "value slider_focus 45", "sent"};

    // Without a camera manual focus cannot be chosen, so only zoom moves.
    QTest::newRow("sliders without a camera still spring back")
        << QStringList{}
        << QStringList{"drag slider_zoom 52", "sent", "release slider_zoom", "value slider_zoom 45", "sent",
               "click btn_af", "enabled slider_focus 0", "push slider_focus 10", "release slider_focus",
               "value slider_focus 45", "sent"};
}

void CameraMotionTest::keyboard_data()
{
    columns();
    const QStringList a{"a"};

    // Whatever was clicked last, the arrows, digits and letters act on the
    // camera: no control keeps the keyboard, and Space clicks nothing again.
    QTest::newRow("keys after a click on a keypad button")
        << a
        << QStringList{"click btn_num3", "sent PresetCall(3)", "key Space", "keyup Space", "key Left", "keyup Left",
               "key Right", "keyup Right", "key 5", "keyup 5",
               "sent PanLeft(21) PanLeftStop PanRight(21) PanRightStop PresetCall(5)"};

    QTest::newRow("keys after a click on a toggle and a tab")
        << a
        << QStringList{"click btn_mirror", "sent MirrorOn", "key Space", "keyup Space", "key Up", "keyup Up",
               "click btn_cam1", "key Down", "keyup Down", "key T", "keyup T",
               "sent TiltUp(14) TiltUpStop TiltDown(14) TiltDownStop ZoomIn(1) ZoomStop"};

    QTest::newRow("keys after a drag of the zoom and focus sliders")
        << a
        << QStringList{"drag slider_zoom 46", "release slider_zoom", "sent ZoomIn(1) ZoomStop ZoomStop", "key Up",
               "keyup Up", "key Down", "keyup Down", "value slider_zoom 45",
               "sent TiltUp(14) TiltUpStop TiltDown(14) TiltDownStop", "click btn_af", "drag slider_focus 44",
               "release slider_focus", "sent FocusManual FocusNear(1) FocusStop FocusStop", "key Up", "keyup Up",
               "key W", "keyup W", "value slider_focus 45", "sent TiltUp(14) TiltUpStop ZoomOut(1) ZoomStop"};

    QTest::newRow("keys after the settings pane's controls")
        << a
        << QStringList{"click btn_setting", "pane shown", "drag slider_contrast 34", "release slider_contrast",
               "click v_contrast", "sent SetContrast(33) SetContrast(34)", "key Left", "keyup Left", "key Right",
               "keyup Right", "key M", "keyup M",
               "sent PanLeft(21) PanLeftStop PanRight(21) PanRightStop FramingManual"};

    // Digits always recall; their release does nothing.
    QTest::newRow("digit keys recall presets")
        << a
        << QStringList{"focus window", "key 0", "keyup 0", "key 5", "keyup 5", "key 9", "keyup 9",
               "sent PresetCall(0) PresetCall(5) PresetCall(9)"};

    // Framing keys show a face on btn_ai; P is a second manual key.
    QTest::newRow("framing keys") << a
                                  << QStringList{"focus window", "face btn_ai Framing.png", "key M", "keyup M",
                                         "sent FramingManual", "face btn_ai Manual.png", "key F", "keyup F",
                                         "sent FramingAuto", "face btn_ai Framing.png", "key P", "keyup P",
                                         "sent FramingManual", "face btn_ai Manual.png"};

    QTest::newRow("zoom keys stop on release")
        << a
        << QStringList{"focus window", "key T", "sent ZoomIn(1)", "keyup T", "sent ZoomStop", "key W",
               "sent ZoomOut(1)", "keyup W", "sent ZoomStop"};

    QTest::newRow("arrow keys at full speed")
        << a
        << QStringList{"focus window", "key Left", "sent PanLeft(21)", "keyup Left", "sent PanLeftStop", "key Right",
               "sent PanRight(21)", "keyup Right", "sent PanRightStop", "key Up", "sent TiltUp(14)", "keyup Up",
               "sent TiltUpStop", "key Down", "sent TiltDown(14)", "keyup Down", "sent TiltDownStop"};

    // Each release stops only its own axis.
    QTest::newRow("hold Left, release Up")
        << a
        << QStringList{"focus window", "key Left", "key Up", "sent PanLeft(21) TiltUp(14)", "keyup Up",
               "sent TiltUpStop", "keyup Left", "sent PanLeftStop"};

    // A held key arrives as auto-repeated release and press pairs: every
    // repeated press moves again, and only letting go stops.
    QTest::newRow("held key repeats") << a
                                      << QStringList{"focus window", "key Left", "keyrep Left", "keyrep Left",
                                             "sent PanLeft(21) PanLeft(21) PanLeft(21)", "key Up", "keyrep Up",
                                             "keyup Up", "sent TiltUp(14) TiltUp(14) TiltUpStop", "keyrep Left",
                                             "keyup Left", "sent PanLeft(21) PanLeftStop"};

    // Keys need a camera, and without one the framing keys leave btn_ai alone.
    QTest::newRow("keys without a camera") << QStringList{}
                                           << QStringList{"focus window", "key Left", "keyup Left", "key 3", "key M",
                                                  "keyup M", "key T", "keyup T", "sent", "face btn_ai Framing.png"};

    // The keyboard leaves the joystick's remembered values alone: a drag
    // after the arrow keys starts from the joystick's own fresh steps.
    QTest::newRow("keys do not touch the joystick's memory")
        << a
        << QStringList{"focus window", "key Right", "keyup Right", "sent PanRight(21) PanRightStop", "joy press 58,58",
               "joy move " + kRight, "await PanRight(0) PanRight(21)", "ticks 2", "joy release", kFourStops};
}

void CameraMotionTest::stops_data()
{
    columns();
    const QStringList a{"a"};
    const QStringList ab{"a", "b"};

    // The window that loses the keyboard, goes away or closes no longer hears
    // the release that would end a move: whatever it set moving stops then.
    QTest::newRow("keyboard taken away while an arrow is held")
        << a << QStringList{"key Left", "sent PanLeft(21)", "blur", "sent PanLeftStop", "activate", "sent"};

    QTest::newRow("keyboard taken away while the joystick is held")
        << a
        << QStringList{"joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "blur", kFourStops,
               "activate", "joy release", "sent"};

    QTest::newRow("keyboard taken away while the zoom handle is held")
        << a
        << QStringList{"drag slider_zoom 47", "sent ZoomIn(1) ZoomIn(1)", "blur", "sent ZoomStop ZoomStop",
               "value slider_zoom 45", "activate", "release slider_zoom", "sent"};

    QTest::newRow("minimised while T and Up are held")
        << a
        << QStringList{"key T", "key Up", "sent ZoomIn(1) TiltUp(14)", "minimise", "sent TiltUpStop ZoomStop",
               "restore", "sent"};

    QTest::newRow("minimised while the joystick is held")
        << a
        << QStringList{"joy press 58,58", "joy move " + kUpLeft,
               "await PanLeft(0) TiltUp(0) PanLeft(15) TiltUp(0) PanLeft(15) TiltUp(10)", "minimise", kFourStops,
               "restore", "joy release", "sent"};

    QTest::newRow("minimised with its own button while Right is held")
        << a << QStringList{"key Right", "sent PanRight(21)", "click btn_min", "sent PanRightStop", "restore", "sent"};

    QTest::newRow("closed while Down is held")
        << a << QStringList{"key Down", "sent TiltDown(14)", "close", "sent TiltDownStop"};

    QTest::newRow("closed while the joystick is held")
        << a
        << QStringList{"joy press 58,58", "joy move " + kLeft, "await PanLeft(0) PanLeft(21)", "close", kFourStops};

    // A move ends on the camera that was told to move, before another opens.
    QTest::newRow("another camera chosen while Left is held")
        << ab
        << QStringList{"key Left", "sent PanLeft(21)", "click btn_cam2", "sent PanLeftStop", "keyrep Left",
               "keyup Left", "senton b PanLeft(21) PanLeftStop"};

    QTest::newRow("a camera plugged in while the joystick is held")
        << a
        << QStringList{"joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "plug b", "cameras 2",
               "sent PanRightStop", "ticks 3", "sent", "joy release", kFourStops};

    QTest::newRow("a camera unplugged while W is held")
        << ab
        << QStringList{
               "key W", "sent ZoomOut(1)", "unplug b", "cameras 1", "sent ZoomStop", "keyup W", "sent ZoomStop"};
}

// A gamepad, as the default mapping has it: the left stick is the joystick
// (its place, and a speed step from each axis's deflection), the D-pad the
// arrow keys, the right stick and the triggers zoom, the face buttons recall
// presets 1 to 4 (stored with the left shoulder held), the right shoulder
// with the D-pad's left or right changes camera, Start homes and Select
// toggles stay-on-top. Sticks run -32768 to 32767 (xpad), triggers 0 to 1023.
void CameraMotionTest::gamepad_data()
{
    columns();
    const QStringList a{"a"};
    const QString plug = QStringLiteral("pad plug p");

    // Full deflection is step 7: pan 21, tilt 14. As with the joystick, a new
    // place first moves with the steps remembered from before, and the steps
    // are not forgotten at rest.
    QTest::newRow("left stick: every direction at full deflection, and back to rest")
        << a
        << QStringList{plug, "tray Gamepad: Microsoft X-Box 360 pad", "pad p ABS_X=32767",
               "sent PanRight(0) PanRight(21)", "pad p ABS_X=0", kPadStops, "pad p ABS_X=-32768", "sent PanLeft(21)",
               "pad p ABS_X=0", kPadStops, "pad p ABS_Y=-32768", "sent TiltUp(0) TiltUp(0) TiltUp(14)", "pad p ABS_Y=0",
               kPadStops, "pad p ABS_Y=32767", "sent TiltDown(14)", "pad p ABS_Y=0", kPadStops,
               // 45 degrees: place 2 with steps 5 and 5, as on the joystick's rim.
               "pad p ABS_X=23170 ABS_Y=-23170",
               "sent PanRight(0) TiltUp(14) PanRight(15) TiltUp(14) PanRight(15) TiltUp(10)", "pad p ABS_X=0 ABS_Y=0",
               kPadStops, "pad p ABS_X=-23170 ABS_Y=23170", "sent PanLeft(15) TiltDown(10)", "pad p ABS_X=0 ABS_Y=0",
               kPadStops, "pad p ABS_X=-23170 ABS_Y=-23170", "sent PanLeft(15) TiltUp(10)",
               // Across the centre in one frame: the new place, no stop between.
               "pad p ABS_X=23170 ABS_Y=23170", "sent TiltDown(10) PanRight(15)", "pad p ABS_X=0 ABS_Y=0", kPadStops};

    // Past a dead zone of 15 %, seven equal steps to full travel: step 1 up
    // to 27 %, 3 from 39 to 51 %, 5 from 64 to 76 %, 7 from 88 %. A change
    // within one step sends nothing.
    QTest::newRow("left stick: deflection is speed; the dead zone is rest")
        << a
        << QStringList{plug, "pad p ABS_X=3000", "sent", "pad p ABS_X=6554", "sent PanRight(0) PanRight(3)",
               "pad p ABS_X=16384", "sent PanRight(9)", "pad p ABS_X=16500", "sent", "pad p ABS_X=32767",
               "sent PanRight(21)", "pad p ABS_X=22938", "sent PanRight(15)", "pad p ABS_X=1000", kPadStops,
               // 15 degrees off the straight line is still straight.
               "pad p ABS_X=-32768 ABS_Y=-9000", "sent PanLeft(15) PanLeft(21)", "pad p ABS_X=0 ABS_Y=0", kPadStops};

    QTest::newRow("D-pad: the arrow keys; each release stops its own axis")
        << a
        << QStringList{plug, "pad p ABS_HAT0X=-1", "sent PanLeft(21)", "pad p ABS_HAT0X=0", "sent PanLeftStop",
               "pad p ABS_HAT0X=1", "sent PanRight(21)", "pad p ABS_HAT0X=0", "sent PanRightStop", "pad p ABS_HAT0Y=-1",
               "sent TiltUp(14)", "pad p ABS_HAT0Y=0", "sent TiltUpStop", "pad p ABS_HAT0Y=1", "sent TiltDown(14)",
               "pad p ABS_HAT0Y=0", "sent TiltDownStop", "pad p ABS_HAT0X=-1", "pad p ABS_HAT0Y=-1",
               "sent PanLeft(21) TiltUp(14)", "pad p ABS_HAT0Y=0", "sent TiltUpStop", "pad p ABS_HAT0X=1",
               "sent PanLeftStop PanRight(21)", "pad p ABS_HAT0X=0", "sent PanRightStop"};

    QTest::newRow("D-pad and triggers as buttons, a stick of 0 to 255")
        << a
        << QStringList{"pad plug p buttons", "tray Gamepad: Generic Pad With Buttons", "pad p BTN_DPAD_LEFT=1",
               "sent PanLeft(21)", "pad p BTN_DPAD_LEFT=0", "sent PanLeftStop", "pad p BTN_DPAD_RIGHT=1",
               "sent PanRight(21)", "pad p BTN_DPAD_RIGHT=0", "sent PanRightStop", "pad p BTN_DPAD_UP=1",
               "sent TiltUp(14)", "pad p BTN_DPAD_UP=0", "sent TiltUpStop", "pad p BTN_DPAD_DOWN=1",
               "sent TiltDown(14)", "pad p BTN_DPAD_DOWN=0", "sent TiltDownStop", "pad p BTN_TR2=1", "sent ZoomIn",
               "pad p BTN_TR2=0", "sent ZoomStop", "pad p BTN_TL2=1", "sent ZoomOut", "pad p BTN_TL2=0",
               "sent ZoomStop", "pad p ABS_X=255", "sent PanRight(0) PanRight(21)", "pad p ABS_X=128", kPadStops};

    // Zoom goes on while held; a trigger counts past half its travel and
    // lets go below a third. Two inputs holding one zoom: the last to let
    // go stops it.
    QTest::newRow("right stick and triggers zoom while held")
        << a
        << QStringList{plug, "pad p ABS_RY=-32768", "sent ZoomIn", "pad p ABS_RY=0", "sent ZoomStop",
               "pad p ABS_RY=32767", "sent ZoomOut", "pad p ABS_RY=0", "sent ZoomStop", "pad p ABS_RZ=1023",
               "sent ZoomIn", "pad p ABS_RZ=0", "sent ZoomStop", "pad p ABS_Z=1023", "sent ZoomOut", "pad p ABS_Z=0",
               "sent ZoomStop", "pad p ABS_RZ=400", "sent", "pad p ABS_RZ=600", "sent ZoomIn", "pad p ABS_RZ=400",
               "sent", "pad p ABS_RZ=200", "sent ZoomStop", "pad p ABS_RZ=1023", "pad p ABS_RY=-32768", "sent ZoomIn",
               "pad p ABS_RZ=0", "sent", "pad p ABS_RY=0", "sent ZoomStop"};

    // Recall is a digit key's (whatever mode the keypad is in); store is Set
    // and a digit, and leaves the keypad's own mode as it was.
    QTest::newRow("face buttons recall presets 1 to 4; with the left shoulder, store")
        << a
        << QStringList{plug, "pad p BTN_SOUTH=1", "sent PresetCall(1)", "pad p BTN_SOUTH=0", "sent", "pad p BTN_EAST=1",
               "pad p BTN_EAST=0", "pad p BTN_NORTH=1", "pad p BTN_NORTH=0", "pad p BTN_WEST=1", "pad p BTN_WEST=0",
               "sent PresetCall(2) PresetCall(3) PresetCall(4)", "pad p BTN_TL=1", "sent", "pad p BTN_SOUTH=1",
               "sent PresetSet(1)", "pad p BTN_SOUTH=0", "pad p BTN_WEST=1", "sent PresetSet(4)", "pad p BTN_WEST=0",
               "pad p BTN_TL=0", "sent", "pad p BTN_SOUTH=1", "pad p BTN_SOUTH=0", "sent PresetCall(1)",
               "click btn_clear", "pad p BTN_TL=1 BTN_EAST=1", "sent PresetSet(2)", "pad p BTN_TL=0 BTN_EAST=0",
               "click btn_num5", "sent PresetClear(5)", "click btn_set", "pad p BTN_SOUTH=1", "pad p BTN_SOUTH=0",
               "sent PresetCall(1)", "click btn_num7", "sent PresetSet(7)"};

    QTest::newRow("Start homes, Select toggles stay-on-top")
        << a
        << QStringList{plug, "pad p BTN_START=1", "sent Home", "pad p BTN_START=0", "sent", "ontop 1",
               "pad p BTN_SELECT=1", "ontop 0", "pad p BTN_SELECT=0", "pad p BTN_SELECT=1", "ontop 1",
               "pad p BTN_SELECT=0", "sent"};

    // Round the cameras present; the D-pad without the shoulder pans again,
    // on the camera now chosen.
    QTest::newRow("right shoulder with the D-pad: previous and next camera")
        << QStringList{"a", "b", "c"}
        << QStringList{plug, "tabs gbbbb", "pad p BTN_TR=1", "pad p ABS_HAT0X=1", "tabs bgbbb", "pad p ABS_HAT0X=0",
               "pad p ABS_HAT0X=1", "tabs bbgbb", "pad p ABS_HAT0X=0", "pad p ABS_HAT0X=1", "tabs gbbbb",
               "pad p ABS_HAT0X=0", "pad p ABS_HAT0X=-1", "tabs bbgbb", "pad p ABS_HAT0X=0", "sent", "pad p BTN_TR=0",
               "pad p ABS_HAT0X=-1", "senton c PanLeft(21)", "pad p ABS_HAT0X=0", "senton c PanLeftStop"};

    // Without a camera a pad sends nothing, and the camera switch has none to go to.
    QTest::newRow("a pad without a camera")
        << QStringList{}
        << QStringList{plug, "pad p ABS_X=32767", "pad p ABS_X=0", "pad p BTN_SOUTH=1", "pad p ABS_RZ=1023",
               "pad p BTN_TR=1 ABS_HAT0X=1", "tabs bbbbb", "sent"};
}

// Pads come and go: one unplugged mid-move stops the move (whether udev
// says so or its node just stops reading), and a pad's moves end when the
// pad lets go, not when the window loses the keyboard.
void CameraMotionTest::gamepadHotplug_data()
{
    padColumns();
    const QStringList a{"a"};
    const QString none;

    QTest::newRow("unplugged mid-pan") << a << none << QStringList{}
                                       << QStringList{"pad plug p", "pad p ABS_X=32767",
                                              "sent PanRight(0) PanRight(21)", "pad unplug p", kPadStops,
                                              "tray No gamepad"};

    QTest::newRow("its node stops reading mid-pan and mid-zoom")
        << a << none << QStringList{}
        << QStringList{"pad plug p", "pad p ABS_HAT0X=-1", "pad p ABS_RZ=1023", "sent PanLeft(21) ZoomIn", "pad yank p",
               "sent ZoomStop PanLeftStop", "tray No gamepad"};

    QTest::newRow("plugged back in, it drives again")
        << a << none << QStringList{}
        << QStringList{"pad plug p", "pad unplug p", "tray No gamepad", "pad plug q",
               "tray Gamepad: Microsoft X-Box 360 pad", "pad q BTN_START=1", "sent Home"};

    QTest::newRow("a second pad mid-move; the one touched last is in use")
        << a << none << QStringList{}
        << QStringList{"pad plug p", "pad p ABS_X=32767", "sent PanRight(0) PanRight(21)", "pad plug q buttons", "sent",
               "tray Gamepad: Microsoft X-Box 360 pad", "pad q BTN_START=1", "sent Home",
               "tray Gamepad: Generic Pad With Buttons", "pad unplug q", "sent",
               "tray Gamepad: Microsoft X-Box 360 pad", "pad p ABS_X=0", kPadStops};

    // The keyboard's own move stops when the window loses it; the pad hears
    // its release wherever the keyboard is.
    QTest::newRow("the window loses the keyboard while the pad moves")
        << a << none << QStringList{}
        << QStringList{"pad plug p", "pad p ABS_X=-32768", "pad p ABS_RY=-32768", "sent PanLeft(0) PanLeft(21) ZoomIn",
               "key Up", "sent TiltUp(14)", "blur", "sent TiltUpStop", "activate", "sent", "pad p ABS_X=0 ABS_RY=0",
               "sent ZoomStop TiltUpStop TiltDownStop PanLeftStop PanRightStop"};

    QTest::newRow("another camera chosen while the pad pans")
        << QStringList{"a", "b"} << none << QStringList{}
        << QStringList{"pad plug p", "pad p ABS_HAT0X=1", "senton a PanRight(21)", "click btn_cam2",
               "senton a PanRightStop", "pad p ABS_HAT0X=0", "senton b PanRightStop"};

    QTest::newRow("a pad the user may not read, said once")
        << a << none
        << QStringList{"ptzdeck: no access to the gamepad \"Microsoft X-Box 360 pad\" (/dev/input/event40)"}
        << QStringList{"pad refuse p", "tray Gamepad: Microsoft X-Box 360 pad (no access)", "pad unplug p",
               "tray No gamepad", "pad refuse q", "pad plug r", "tray Gamepad: Microsoft X-Box 360 pad",
               "pad r BTN_START=1", "sent Home"};
}

// The user's gamepad.conf: what it rebinds applies, and each line it cannot
// understand is reported with its number and left out.
void CameraMotionTest::gamepadConfig_data()
{
    padColumns();
    const QStringList a{"a"};

    QTest::newRow("bad lines reported by number; the others apply")
        << a
        << QStringLiteral(
               "# ptzdeck gamepad mapping\n"
               "BTN_SOUTH = preset 7\n"
               "BTN_EAST = zom-in\n"
               "BTN_NOPE = home\n"
               "just some words\n"
               "BTN_WEST = preset 12\n"
               "ABS_RY = zoom-in\n"
               "deadzone = 200\n"
               "BTN_START = home now\n"
               "BTN_TL + ABS_X = store 1\n"
               "ABS_HAT0X- = pan\n"
               "= home\n"
               "BTN_MODE = mute\n")
        << QStringList{"ptzdeck: <conf>:3: unknown action \"zom-in\"; line ignored",
               "ptzdeck: <conf>:4: unknown input \"BTN_NOPE\"",
               "ptzdeck: <conf>:5: expected <input> = <action>; line ignored",
               "ptzdeck: <conf>:6: \"preset\" needs a preset number from 0 to 9; line ignored",
               "ptzdeck: <conf>:7: a whole axis can only be pan or tilt",
               "ptzdeck: <conf>:8: deadzone takes a percentage from 0 to 90; line ignored",
               "ptzdeck: <conf>:9: unexpected \"now\" after the action; line ignored",
               "ptzdeck: <conf>:10: a whole axis can only be pan or tilt",
               "ptzdeck: <conf>:11: \"pan\" takes a whole axis",
               "ptzdeck: <conf>:12: expected <input> = <action>; line ignored"}
        << QStringList{"pad plug p", "pad p BTN_SOUTH=1", "pad p BTN_SOUTH=0", "pad p BTN_EAST=1", "pad p BTN_EAST=0",
               "pad p BTN_WEST=1", "pad p BTN_WEST=0", "sent PresetCall(7) PresetCall(2) PresetCall(4)",
               "pad p ABS_RY=-32768", "sent ZoomIn", "pad p ABS_RY=0", "sent ZoomStop", "pad p BTN_START=1",
               "sent Home", "pad p BTN_MODE=1", "sent MuteOn", "pad p ABS_X=3000", "sent", "pad p ABS_X=6554",
               "sent PanRight(0) PanRight(3)"};

    QTest::newRow("rebinding: the right stick is the joystick, a wider dead zone, unbound buttons")
        << a
        << QStringLiteral(
               "ABS_RX = pan\n"
               "ABS_RY = tilt inverted\n"
               "deadzone = 40\n"
               "BTN_START = none\n"
               "BTN_TL + BTN_SOUTH = none\n"
               "BTN_THUMBR = zoom-in\n"
               "BTN_TR+BTN_EAST = focus-mode\n"
               "BTN_TL + ABS_RZ+ = store 9\n")
        << QStringList{}
        << QStringList{"pad plug p", "pad p ABS_X=32767", "pad p ABS_X=0", "sent", "pad p ABS_RX=9830", "sent",
               "pad p ABS_RX=32767", "sent PanRight(0) PanRight(21)", "pad p ABS_RX=0", kPadStops, "pad p ABS_RY=32767",
               "sent TiltUp(0) TiltUp(0) TiltUp(14)", "pad p ABS_RY=0", kPadStops, "pad p BTN_START=1", "sent",
               "pad p BTN_TL=1", "pad p BTN_SOUTH=1", "sent PresetCall(1)", "pad p ABS_RZ=1023", "sent PresetSet(9)",
               "pad p BTN_TL=0 BTN_SOUTH=0 ABS_RZ=0", "sent", "pad p BTN_THUMBR=1", "sent ZoomIn", "pad p BTN_THUMBR=0",
               "sent ZoomStop", "pad p BTN_TR=1 BTN_EAST=1", "sent FocusManual", "face btn_af MF.png"};

    QTest::newRow("comments, blank lines and CRLF")
        << a << QStringLiteral("# mine\r\n\r\n   \r\nBTN_SOUTH = preset 5   # the A button\r\n") << QStringList{}
        << QStringList{"pad plug p", "pad p BTN_SOUTH=1", "sent PresetCall(5)"};

    QTest::newRow("garbage and an endless line")
        << a << QString::fromLatin1("\xff\xfe\x01junk\n") + QString(100000, QLatin1Char('x')) + QStringLiteral("\n")
        << QStringList{"ptzdeck: <conf>:1: expected <input> = <action>",
               "ptzdeck: <conf>:2: expected <input> = <action>"}
        << QStringList{"pad plug p", "pad p BTN_SOUTH=1", "sent PresetCall(1)"};

    QTest::newRow("no file: the defaults, nothing said")
        << a << QString() << QStringList{} << QStringList{"pad plug p", "pad p BTN_NORTH=1", "sent PresetCall(3)"};
}

// A camera that takes 400 ms over every request: the window goes on, the
// bus is answered meanwhile, the camera gets the requests in the order they
// were made, and of the drives of an axis made while it was busy only the
// newest.
void CameraMotionTest::slowCamera_data()
{
    columns();
    const QStringList slow{"a delay=400"};

    QTest::newRow("the newest pan wins, the click between keeps its place")
        << slow
        << QStringList{"bus", "nowait key Left", "slow", "nowait click btn_mute", "nowait key Right", "nowait key Left",
               "bus answers", "responsive 100", "sent PanLeft(21) MuteOn PanLeft(21)", "face btn_mute mute.png"};
    QTest::newRow("a stop replaces the move it ends, other axes stay")
        << slow
        << QStringList{"nowait key Left", "slow", "nowait key T", "nowait key Right", "nowait keyup Right",
               "responsive 100", "sent PanLeft(21) ZoomIn(1) PanRightStop"};
    QTest::newRow("a camera that left a move unanswered is slow from the next one on")
        << QStringList{"a delay=120"}
        << QStringList{"fault a camera-control.10=set,ks-set,no-answer", "key Left", "notice does not answer",
               "nowait key Right", "slow", "nowait key Left", "nowait key Right", "responsive 100",
               "sent PanLeft(21) PanRight(21) PanRight(21)"};
    QTest::newRow("on a camera that answers in time, every drive is sent")
        << QStringList{"a"}
        << QStringList{"nowait key Left", "nowait key Right", "nowait key Left", "nowait keyup Left",
               "await PanLeft(21) PanRight(21) PanLeft(21) PanLeftStop"};
}

int main(int argc, char** argv)
{
    // The joystick's cells and speed steps scale with the screen's dpi; the
    // figures in these tables are those of a 96 dpi screen.
    qputenv("QT_FONT_DPI", "96");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    CameraMotionTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_camera_motion.moc"
