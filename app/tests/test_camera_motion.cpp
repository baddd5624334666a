// Moving the camera from the panel: the joystick, the zoom and focus
// sliders and the keyboard, checked through the requests a simulated camera
// receives, in order.
#include "panel_harness.h"

#include <QtTest>

namespace {

// Joystick points (widget coordinates; the knob's travel circle has radius
// 36 around 58,58, so these all put the knob on the rim).
const QString kRight = QStringLiteral("108,58");
const QString kLeft = QStringLiteral("8,58");
const QString kUp = QStringLiteral("58,8");
const QString kUpLeft = QStringLiteral("23,23");   // 45 degrees: place 0, steps 5 and 5

const QString kFourStops = QStringLiteral("sent TiltUpStop TiltDownStop PanLeftStop PanRightStop");

} // namespace

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

    SimBus bus;
};

void CameraMotionTest::joystick_data()
{
    columns();
    const QStringList a{"a"};

    // Every tick reports place 4 and speeds 0, all repeats of the start values.
    QTest::newRow("press and release in the centre") << a << QStringList{
        "joy press 58,58", "ticks 3", "sent", "joy release", "sent"};

    // Fresh speeds are 0: the place report moves at 0, the speed report at 21;
    // later ticks repeat themselves and send nothing.
    QTest::newRow("drag to the right rim and release") << a << QStringList{
        "joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)",
        "ticks 3", "sent", "joy release", kFourStops};

    // The speeds are not reset on release: the new place first moves with the
    // old steps, then the speed reports of the same tick correct them.
    QTest::newRow("drag up after a full-speed drag right") << a << QStringList{
        "joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "ticks 2",
        "joy release", kFourStops,
        "joy press 58,58", "joy move " + kUp, "await TiltUp(0) TiltUp(0) TiltUp(14)", "ticks 2", "sent",
        "joy release", kFourStops};

    // Only the centre stops: riding the rim from left to up-left to up never
    // stops the pan.
    QTest::newRow("round the rim from left to up keeps panning") << a << QStringList{
        "joy press 58,58", "joy move " + kLeft, "await PanLeft(0) PanLeft(21)", "ticks 2",
        "joy move " + kUpLeft,
        "await PanLeft(21) TiltUp(0) PanLeft(15) TiltUp(0) PanLeft(15) TiltUp(10)", "ticks 2",
        "joy move " + kUp, "await TiltUp(10) TiltUp(10) TiltUp(14)", "ticks 2", "sent",
        "joy release", kFourStops};

    // Back to the centre without letting go stops both axes at once.
    QTest::newRow("back to the centre while held") << a << QStringList{
        "joy press 58,58", "joy move 108,108", "await TiltDown(0) PanRight(0) TiltDown(0) PanRight(15) TiltDown(10) PanRight(15)",
        "ticks 2", "joy move 58,58", "await TiltUpStop TiltDownStop PanLeftStop PanRightStop"
        " TiltUpStop TiltDownStop PanLeftStop PanRightStop TiltUpStop TiltDownStop PanLeftStop PanRightStop",
        "ticks 2", "sent", "joy release", "sent"};

    // Without a camera the reports are still remembered: a camera that
    // appears while the knob rests on the rim gets nothing until something
    // changes, and the release stops it with the remembered speeds.
    QTest::newRow("camera appears while the knob rests on the rim") << QStringList{} << QStringList{
        "joy press 58,58", "joy move " + kRight, "ticks 3", "sent",
        "plug a", "cameras 1", "ticks 3", "sent",
        "joy release", kFourStops};
}

void CameraMotionTest::sliders_data()
{
    columns();
    const QStringList a{"a"};

    // One move per value the handle passes (46 to 50); the release springs
    // back to 45, which itself reports a stop, and then stops again.
    QTest::newRow("zoom drag up from 45 to 50 and release") << a << QStringList{
        "drag slider_zoom 50", "sent ZoomIn(1) ZoomIn(1) ZoomIn(1) ZoomIn(1) ZoomIn(1)",
        "release slider_zoom", "sent ZoomStop ZoomStop", "value slider_zoom 45"};

    QTest::newRow("zoom drag down, back through the rest, and release") << a << QStringList{
        "drag slider_zoom 43", "sent ZoomOut(1) ZoomOut(1)",
        "drag slider_zoom 46", "sent ZoomOut(1) ZoomStop ZoomIn(1)",
        "release slider_zoom", "sent ZoomStop ZoomStop", "value slider_zoom 45"};

    QTest::newRow("zoom handle released where it was pressed") << a << QStringList{
        "drag slider_zoom 45", "sent", "release slider_zoom", "sent ZoomStop", "value slider_zoom 45"};

    // Focus moves only in manual focus; up is far, down is near.
    QTest::newRow("focus drag in manual focus") << a << QStringList{
        "click btn_af", "sent FocusManual", "enabled slider_focus 1",
        "drag slider_focus 48", "sent FocusFar(1) FocusFar(1) FocusFar(1)",
        "drag slider_focus 44", "sent FocusFar(1) FocusFar(1) FocusStop FocusNear(1)",
        "release slider_focus", "sent FocusStop FocusStop", "value slider_focus 45"};

    QTest::newRow("focus cannot move in auto focus") << a << QStringList{
        "enabled slider_focus 0", "push slider_focus 10", "value slider_focus 45",
        "release slider_focus", "sent", "value slider_focus 45"};

    // No control takes the keyboard on a click. Should a slider have it all
    // the same, a key on it has no release to end its move: it nudges (one
    // move and its stop) and the handle is back at rest at once. The key's
    // release still reaches the window and stops the tilt, which is not
    // moving.
    QTest::newRow("keys on a zoom slider that has the keyboard") << a << QStringList{
        "focus slider_zoom", "key Up", "value slider_zoom 45", "sent ZoomIn(1) ZoomStop",
        "keyup Up", "sent TiltUpStop", "key Down", "sent ZoomOut(1) ZoomStop", "keyup Down", "sent TiltDownStop",
        "key End", "key Home", "value slider_zoom 45", "sent ZoomIn(1) ZoomStop ZoomOut(1) ZoomStop"};

    QTest::newRow("keys on a focus slider that has the keyboard") << a << QStringList{
        "click btn_af", "sent FocusManual", "focus slider_focus", "key PageUp", "key Up", "value slider_focus 45",
        "sent FocusFar(1) FocusStop", "keyup Up", "sent TiltUpStop"};

    // A click on the groove jumps the handle: a nudge too; the handle is
    // then held where it sprang back to, and letting go stops once more.
    QTest::newRow("a click on the zoom slider's groove") << a << QStringList{
        "groove slider_zoom 0.9", "value slider_zoom 45", "sent ZoomIn(1) ZoomStop ZoomStop",
        "groove slider_zoom 0.1", "value slider_zoom 45", "sent ZoomOut(1) ZoomStop ZoomStop"};

    // The sliders have no page step, so a wheel turn cannot move them.
    QTest::newRow("wheel on the zoom and focus sliders") << a << QStringList{
        "wheel slider_zoom 120", "wheel slider_zoom -360", "value slider_zoom 45",
        "click btn_af", "sent FocusManual", "wheel slider_focus 120", "value slider_focus 45", "sent"};

    // Without a camera manual focus cannot be chosen, so only zoom moves.
    QTest::newRow("sliders without a camera still spring back") << QStringList{} << QStringList{
        "drag slider_zoom 52", "sent", "release slider_zoom", "value slider_zoom 45", "sent",
        "click btn_af", "enabled slider_focus 0", "push slider_focus 10", "release slider_focus",
        "value slider_focus 45", "sent"};
}

void CameraMotionTest::keyboard_data()
{
    columns();
    const QStringList a{"a"};

    // Whatever was clicked last, the arrows, digits and letters act on the
    // camera: no control keeps the keyboard, and Space clicks nothing again.
    QTest::newRow("keys after a click on a keypad button") << a << QStringList{
        "click btn_num3", "sent PresetCall(3)", "key Space", "keyup Space", "key Left", "keyup Left",
        "key Right", "keyup Right", "key 5", "keyup 5", "sent PanLeft(21) PanLeftStop PanRight(21) PanRightStop PresetCall(5)"};

    QTest::newRow("keys after a click on a toggle and a tab") << a << QStringList{
        "click btn_mirror", "sent MirrorOn", "key Space", "keyup Space", "key Up", "keyup Up",
        "click btn_cam1", "key Down", "keyup Down", "key T", "keyup T",
        "sent TiltUp(14) TiltUpStop TiltDown(14) TiltDownStop ZoomIn(1) ZoomStop"};

    QTest::newRow("keys after a drag of the zoom and focus sliders") << a << QStringList{
        "drag slider_zoom 46", "release slider_zoom", "sent ZoomIn(1) ZoomStop ZoomStop",
        "key Up", "keyup Up", "key Down", "keyup Down", "value slider_zoom 45",
        "sent TiltUp(14) TiltUpStop TiltDown(14) TiltDownStop",
        "click btn_af", "drag slider_focus 44", "release slider_focus", "sent FocusManual FocusNear(1) FocusStop FocusStop",
        "key Up", "keyup Up", "key W", "keyup W", "value slider_focus 45",
        "sent TiltUp(14) TiltUpStop ZoomOut(1) ZoomStop"};

    QTest::newRow("keys after the settings pane's controls") << a << QStringList{
        "click btn_setting", "pane shown", "drag slider_contrast 34", "release slider_contrast",
        "click v_contrast", "sent SetContrast(33) SetContrast(34)",
        "key Left", "keyup Left", "key Right", "keyup Right", "key M", "keyup M",
        "sent PanLeft(21) PanLeftStop PanRight(21) PanRightStop FramingManual"};

    // Digits always recall; their release does nothing.
    QTest::newRow("digit keys recall presets") << a << QStringList{
        "focus window", "key 0", "keyup 0", "key 5", "keyup 5", "key 9", "keyup 9",
        "sent PresetCall(0) PresetCall(5) PresetCall(9)"};

    // Framing keys show a face on btn_ai; P is a second manual key.
    QTest::newRow("framing keys") << a << QStringList{
        "focus window", "face btn_ai Framing.png",
        "key M", "keyup M", "sent FramingManual", "face btn_ai Manual.png",
        "key F", "keyup F", "sent FramingAuto", "face btn_ai Framing.png",
        "key P", "keyup P", "sent FramingManual", "face btn_ai Manual.png"};

    QTest::newRow("zoom keys stop on release") << a << QStringList{
        "focus window", "key T", "sent ZoomIn(1)", "keyup T", "sent ZoomStop",
        "key W", "sent ZoomOut(1)", "keyup W", "sent ZoomStop"};

    QTest::newRow("arrow keys at full speed") << a << QStringList{
        "focus window",
        "key Left", "sent PanLeft(21)", "keyup Left", "sent PanLeftStop",
        "key Right", "sent PanRight(21)", "keyup Right", "sent PanRightStop",
        "key Up", "sent TiltUp(14)", "keyup Up", "sent TiltUpStop",
        "key Down", "sent TiltDown(14)", "keyup Down", "sent TiltDownStop"};

    // Each release stops only its own axis.
    QTest::newRow("hold Left, release Up") << a << QStringList{
        "focus window", "key Left", "key Up", "sent PanLeft(21) TiltUp(14)",
        "keyup Up", "sent TiltUpStop", "keyup Left", "sent PanLeftStop"};

    // A held key arrives as auto-repeated release and press pairs: every
    // repeated press moves again, and only letting go stops.
    QTest::newRow("held key repeats") << a << QStringList{
        "focus window", "key Left", "keyrep Left", "keyrep Left", "sent PanLeft(21) PanLeft(21) PanLeft(21)",
        "key Up", "keyrep Up", "keyup Up", "sent TiltUp(14) TiltUp(14) TiltUpStop",
        "keyrep Left", "keyup Left", "sent PanLeft(21) PanLeftStop"};

    // Keys need a camera, and without one the framing keys leave btn_ai alone.
    QTest::newRow("keys without a camera") << QStringList{} << QStringList{
        "focus window", "key Left", "keyup Left", "key 3", "key M", "keyup M", "key T", "keyup T",
        "sent", "face btn_ai Framing.png"};

    // The keyboard leaves the joystick's remembered values alone: a drag
    // after the arrow keys starts from the joystick's own fresh steps.
    QTest::newRow("keys do not touch the joystick's memory") << a << QStringList{
        "focus window", "key Right", "keyup Right", "sent PanRight(21) PanRightStop",
        "joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "ticks 2",
        "joy release", kFourStops};
}

void CameraMotionTest::stops_data()
{
    columns();
    const QStringList a{"a"};
    const QStringList ab{"a", "b"};

    // The window that loses the keyboard, goes away or closes no longer hears
    // the release that would end a move: whatever it set moving stops then.
    QTest::newRow("keyboard taken away while an arrow is held") << a << QStringList{
        "key Left", "sent PanLeft(21)", "blur", "sent PanLeftStop", "activate", "sent"};

    QTest::newRow("keyboard taken away while the joystick is held") << a << QStringList{
        "joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)", "blur", kFourStops,
        "activate", "joy release", "sent"};

    QTest::newRow("keyboard taken away while the zoom handle is held") << a << QStringList{
        "drag slider_zoom 47", "sent ZoomIn(1) ZoomIn(1)", "blur", "sent ZoomStop ZoomStop",
        "value slider_zoom 45", "activate", "release slider_zoom", "sent"};

    QTest::newRow("minimised while T and Up are held") << a << QStringList{
        "key T", "key Up", "sent ZoomIn(1) TiltUp(14)", "minimise", "sent TiltUpStop ZoomStop", "restore", "sent"};

    QTest::newRow("minimised while the joystick is held") << a << QStringList{
        "joy press 58,58", "joy move " + kUpLeft, "await PanLeft(0) TiltUp(0) PanLeft(15) TiltUp(0) PanLeft(15) TiltUp(10)",
        "minimise", kFourStops, "restore", "joy release", "sent"};

    QTest::newRow("minimised with its own button while Right is held") << a << QStringList{
        "key Right", "sent PanRight(21)", "click btn_min", "sent PanRightStop", "restore", "sent"};

    QTest::newRow("closed while Down is held") << a << QStringList{
        "key Down", "sent TiltDown(14)", "close", "sent TiltDownStop"};

    QTest::newRow("closed while the joystick is held") << a << QStringList{
        "joy press 58,58", "joy move " + kLeft, "await PanLeft(0) PanLeft(21)", "close", kFourStops};

    // A move ends on the camera that was told to move, before another opens.
    QTest::newRow("another camera chosen while Left is held") << ab << QStringList{
        "key Left", "sent PanLeft(21)", "click btn_cam2", "sent PanLeftStop",
        "keyrep Left", "keyup Left", "senton b PanLeft(21) PanLeftStop"};

    QTest::newRow("a camera plugged in while the joystick is held") << a << QStringList{
        "joy press 58,58", "joy move " + kRight, "await PanRight(0) PanRight(21)",
        "plug b", "cameras 2", "sent PanRightStop", "ticks 3", "sent", "joy release", kFourStops};

    QTest::newRow("a camera unplugged while W is held") << ab << QStringList{
        "key W", "sent ZoomOut(1)", "unplug b", "cameras 1", "sent ZoomStop", "keyup W", "sent ZoomStop"};
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
