// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The preset keypad and the function buttons, clicked with the mouse on a
// real window, checked through the requests a simulated camera receives
// and the faces the buttons show; and what clicks may leave on screen: the
// warnings and the settings pane.
#include "panel_harness.h"

#include <QtTest>

class PresetsFunctionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(bus.isValid()); }

    void presets_data();
    void presets() { runRow(); }
    void toggles_data();
    void toggles() { runRow(); }
    void framing_data();
    void framing() { runRow(); }
    void truth_data();
    void truth() { runRow(); }
    void warnings_data();
    void warnings() { runRow(); }
    void notices_data();
    void notices() { runRow(); }
    void generic_data();
    void generic() { runRow(); }

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

void PresetsFunctionsTest::presets_data()
{
    columns();
    const QStringList a{"a"};

    QTest::newRow("every digit button recalls its own preset")
        << a
        << QStringList{"click btn_num1", "click btn_num2", "click btn_num3", "click btn_num4", "click btn_num5",
               "click btn_num6", "click btn_num7", "click btn_num8", "click btn_num9", "click btn_num0",
               "sent PresetCall(1) PresetCall(2) PresetCall(3) PresetCall(4) PresetCall(5)"
               " PresetCall(6) PresetCall(7) PresetCall(8) PresetCall(9) PresetCall(0)"};

    // The mode buttons send nothing; a sent digit returns to recall.
    QTest::newRow("set, digit, digit") << a
                                       << QStringList{"click btn_set", "sent", "click btn_num3", "sent PresetSet(3)",
                                              "click btn_num3", "sent PresetCall(3)"};

    QTest::newRow("clear, digit, digit") << a
                                         << QStringList{"click btn_clear", "sent", "click btn_num0",
                                                "sent PresetClear(0)", "click btn_num0", "sent PresetCall(0)"};

    // The later mode button wins.
    QTest::newRow("set, clear, digit") << a
                                       << QStringList{"click btn_set", "click btn_clear", "click btn_num5",
                                              "sent PresetClear(5)", "click btn_num5", "sent PresetCall(5)"};

    QTest::newRow("clear, set, digit") << a
                                       << QStringList{"click btn_clear", "click btn_set", "click btn_num8",
                                              "sent PresetSet(8)", "click btn_num8", "sent PresetCall(8)"};

    QTest::newRow("set twice stays in store mode") << a
                                                   << QStringList{"click btn_set", "click btn_set", "click btn_num7",
                                                          "sent PresetSet(7)", "click btn_num7", "sent PresetCall(7)"};

    // The keyboard's digits always recall and leave the mode in place.
    QTest::newRow("digit key between set and digit button")
        << a
        << QStringList{
               "click btn_set", "key 4", "keyup 4", "sent PresetCall(4)", "click btn_num4", "sent PresetSet(4)"};

    // Without a camera a digit sends nothing and does not use up the mode:
    // the first digit after a camera appears still stores.
    QTest::newRow("set without a camera, digit after one appears")
        << QStringList{}
        << QStringList{"click btn_set", "click btn_num2", "sent", "plug a", "cameras 1", "click btn_num2",
               "sent PresetSet(2)", "click btn_num2", "sent PresetCall(2)"};

    QTest::newRow("clear without a camera, digit after one appears")
        << QStringList{}
        << QStringList{"click btn_clear", "click btn_num6", "click btn_num6", "sent", "plug a", "cameras 1",
               "click btn_num6", "sent PresetClear(6)", "click btn_num6", "sent PresetCall(6)"};
}

void PresetsFunctionsTest::toggles_data()
{
    columns();
    const QStringList a{"a"};

    // Auto focus at start: face AF and the focus slider disabled.
    QTest::newRow("focus mode") << a
                                << QStringList{"face btn_af AF.png", "enabled slider_focus 0", "click btn_af",
                                       "face btn_af MF.png", "enabled slider_focus 1", "sent FocusManual",
                                       "click btn_af", "face btn_af AF.png", "enabled slider_focus 0",
                                       "sent FocusAuto"};

    // A face shows what a camera was told: without one, a click changes
    // nothing, and the first click once a camera is there asks again.
    QTest::newRow("focus mode without a camera, then with one")
        << QStringList{}
        << QStringList{"click btn_af", "face btn_af AF.png", "enabled slider_focus 0", "sent", "plug a", "cameras 1",
               "face btn_af AF.png", "enabled slider_focus 0", "click btn_af", "face btn_af MF.png",
               "enabled slider_focus 1", "sent FocusManual"};

    QTest::newRow("flip, mirror and home")
        << a
        << QStringList{"click btn_flip", "click btn_flip", "click btn_flip", "sent FlipOn FlipOff FlipOn",
               "click btn_mirror", "click btn_mirror", "sent MirrorOn MirrorOff", "click btn_home", "sent Home",
               "face btn_flip Flip.png", "face btn_mirror Mirror.png", "face btn_home HOME.png"};

    QTest::newRow("flip and mirror without a camera, then with one")
        << QStringList{}
        << QStringList{"click btn_flip", "click btn_mirror", "click btn_home", "sent", "plug a", "cameras 1",
               "click btn_flip", "click btn_mirror", "sent FlipOn MirrorOn"};

    // A discovery pass that found a camera shows the unmuted face.
    QTest::newRow("mute") << a
                          << QStringList{"face btn_mute no_mute.png", "click btn_mute", "face btn_mute mute.png",
                                 "sent MuteOn", "click btn_mute", "face btn_mute no_mute.png", "sent MuteOff"};

    // A later pass shows the face of the panel's own state: muted stays
    // muted, and the next click unmutes as the face promises.
    QTest::newRow("mute across a discovery pass")
        << a
        << QStringList{"click btn_mute", "face btn_mute mute.png", "sent MuteOn", "plug b", "cameras 2",
               "face btn_mute mute.png", "sent", "click btn_mute", "face btn_mute no_mute.png", "sent MuteOff",
               "click btn_mute", "face btn_mute mute.png", "sent MuteOn", "unplug b", "cameras 1",
               "face btn_mute mute.png", "click btn_mute", "face btn_mute no_mute.png", "sent MuteOff"};

    // With no camera there is nothing to hear: the muted face, and clicks
    // that reach nothing change nothing.
    QTest::newRow("mute without a camera")
        << QStringList{}
        << QStringList{"face btn_mute mute.png", "click btn_mute", "face btn_mute mute.png", "click btn_mute",
               "face btn_mute mute.png", "sent", "plug a", "cameras 1", "face btn_mute no_mute.png", "click btn_mute",
               "face btn_mute mute.png", "sent MuteOn"};
}

void PresetsFunctionsTest::framing_data()
{
    columns();
    const QStringList a{"a"};

    QTest::newRow("framing button") << a
                                    << QStringList{"face btn_ai Framing.png", "click btn_ai", "face btn_ai Manual.png",
                                           "sent FramingManual", "click btn_ai", "face btn_ai Framing.png",
                                           "sent FramingAuto"};

    // Push is one manual framing shot that leaves btn_ai as it was.
    QTest::newRow("push, then the framing button")
        << a
        << QStringList{"click btn_push", "sent FramingManual", "face btn_ai Framing.png", "face btn_push Push.png",
               "click btn_ai", "sent FramingManual", "face btn_ai Manual.png", "click btn_push", "sent FramingManual",
               "face btn_ai Manual.png", "click btn_ai", "sent FramingAuto", "face btn_ai Framing.png"};

    // The framing keys turn the state with the face: the next click asks
    // for the other mode.
    QTest::newRow("key M, then the framing button")
        << a
        << QStringList{"key M", "keyup M", "sent FramingManual", "face btn_ai Manual.png", "click btn_ai",
               "sent FramingAuto", "face btn_ai Framing.png", "key P", "keyup P", "sent FramingManual",
               "face btn_ai Manual.png", "key F", "keyup F", "sent FramingAuto", "face btn_ai Framing.png",
               "click btn_ai", "sent FramingManual", "face btn_ai Manual.png"};

    QTest::newRow("framing without a camera")
        << QStringList{}
        << QStringList{"click btn_push", "click btn_ai", "face btn_ai Framing.png", "sent", "plug a", "cameras 1",
               "click btn_ai", "face btn_ai Manual.png", "sent FramingManual"};
}

// Faces tell the truth: a tab lights for a camera that opened, and a face
// turns for a command the camera took.
void PresetsFunctionsTest::truth_data()
{
    columns();

    // Counted, but it will not open: no tab lights and nothing turns.
    QTest::newRow("the only camera will not open")
        << QStringList{"a fault.bind=fail"}
        << QStringList{"tabs bbbbb", "face btn_mute no_mute.png", "click btn_mute", "click btn_af", "click btn_ai",
               "click btn_flip", "key M", "keyup M", "sent", "face btn_mute no_mute.png", "face btn_af AF.png",
               "enabled slider_focus 0", "face btn_ai Framing.png", "click btn_set", "click btn_num4", "click btn_cam1",
               "tabs bbbbb", "sent"};

    // Choosing it leaves the camera before it closed and unlit: nothing is
    // open. Choosing the working one again lights its tab and turns faces.
    QTest::newRow("the chosen camera will not open")
        << QStringList{"a", "b fault.bind=fail"}
        << QStringList{"tabs gbbbb", "click btn_cam2", "tabs bbbbb", "click btn_mute", "click btn_ai", "sent",
               "face btn_mute no_mute.png", "face btn_ai Framing.png", "click btn_cam1", "tabs gbbbb", "click btn_mute",
               "face btn_mute mute.png", "sent MuteOn"};

    // The camera hears the command and refuses it: the face stays, and the
    // next click asks for the same again; a refused store keeps store mode.
    QTest::newRow("the camera refuses its commands")
        << QStringList{"a fault.camera-control.2=ks-set"}
        << QStringList{"click btn_mute", "face btn_mute no_mute.png", "click btn_mute", "sent MuteOn MuteOn",
               "click btn_af", "face btn_af AF.png", "enabled slider_focus 0", "sent FocusManual", "click btn_flip",
               "click btn_flip", "sent FlipOn FlipOn", "key F", "keyup F", "key M", "keyup M",
               "face btn_ai Framing.png", "sent FramingAuto FramingManual", "click btn_set", "click btn_num2",
               "click btn_num2", "sent PresetSet(2) PresetSet(2)"};
}

// What a click may leave on screen, and the way out of it.
void PresetsFunctionsTest::warnings_data()
{
    columns();
    const QStringList a{"a"};

    QTest::newRow("empty tabs clicked again and again show one warning")
        << a
        << QStringList{"click btn_cam3", "warnings 0 1", "click btn_cam3", "click btn_cam5", "click btn_cam2",
               "warnings 0 1", "dismiss NO_Mord_Camera", "warnings 0 0", "click btn_cam4", "warnings 0 1", "tabs gbbbb",
               "sent"};

    // Unplugged under the open pane: the settings button still closes it.
    QTest::newRow("the settings pane closes with its camera gone")
        << a
        << QStringList{"click btn_setting", "pane shown", "unplug a", "cameras 0", "warnings 1 0", "pane shown",
               "click btn_setting", "pane hidden", "click btn_setting", "pane hidden", "enabled Win_Right 0"};

    QTest::newRow("closed with the no-device warning on screen")
        << QStringList{} << QStringList{"warnings 1 0", "close", "sent"};

    QTest::newRow("closed with a no-camera warning on screen")
        << a << QStringList{"click btn_cam2", "warnings 0 1", "close", "sent"};
}

// When the camera's commands cannot reach it, one notice names the cause
// and the cure: once per camera and cause, however often the user tries.
void PresetsFunctionsTest::notices_data()
{
    columns();
    const QStringList a{"a"};
    const QString refused = QStringLiteral("fault a camera-control.2=ks-set,refused");

    QTest::newRow("refused while another program holds the camera: one notice")
        << a
        << QStringList{refused, "click btn_num3", "sent PresetCall(3)", "notice close the program", "click btn_num4",
               "click btn_mute", "sent PresetCall(4) MuteOn", "notice close the program", "click commandNotice",
               "notice none", "click btn_num5", "key 6", "keyup 6", "sent PresetCall(5) PresetCall(6)", "notice none"};

    QTest::newRow("no permission") << a
                                   << QStringList{"fault a camera-control.2=ks-set,no-permission", "click btn_home",
                                          "sent Home", "notice run sudo make install"};

    QTest::newRow("no answer, from the keyboard") << a
                                                  << QStringList{"fault a camera-control.2=ks-set,no-answer", "key 2",
                                                         "keyup 2", "sent PresetCall(2)", "notice does not answer"};

    // A move through the joystick that fails; the notice comes when it is let go.
    QTest::newRow("a refused move") << a
                                    << QStringList{"fault a camera-control.10=ks-set,refused", "joy press 58,58",
                                           "joy move 8,58", "await PanLeft(0) PanLeft(21)", "notice none",
                                           "joy release", "notice close the program"};

    QTest::newRow("another cause on the same camera gets its own notice")
        << a
        << QStringList{refused, "click btn_flip", "notice close the program", "click commandNotice",
               "fault a camera-control.2=ks-set,no-answer", "click btn_flip", "notice does not answer"};

    QTest::newRow("the same cause on another camera gets its own notice")
        << QStringList{"a", "b"}
        << QStringList{refused, "fault b camera-control.2=ks-set,refused", "click btn_mirror",
               "notice close the program", "click commandNotice", "click btn_cam2", "click btn_mirror",
               "notice close the program"};

    // A command that fails for a reason the user cannot cure, or one that
    // reaches the camera, shows nothing.
    QTest::newRow("nothing to tell") << a
                                     << QStringList{"click btn_num1", "sent PresetCall(1)", "notice none",
                                            "fault a camera-control.2=ks-set", "click btn_num1", "sent PresetCall(1)",
                                            "notice none", "fault a proc-amp.0=ks-set,refused", "click btn_num1",
                                            "notice none"};
}


// Cameras of other makes: the controls their driver reports, no command
// channel, and presets the panel keeps in its own file.
void PresetsFunctionsTest::generic_data()
{
    columns();
    const QString path = QStringLiteral("path=\\\\?\\usb#vid_1234&pid_5678&mi_00#1-3:1.0#video0");
    // Absolute pan, tilt, zoom and focus, which the library steps.
    const QString stepped = path
        + " ptz-controls=pan-tilt-absolute,zoom-absolute,focus-absolute,focus-auto serial=SN1"
          " camera-control.0=-170,170,1,0,25 camera-control.1=-30,90,1,0,-10 camera-control.3=100,500,1,100,300";
    const QString speeds =
        path
        + " ptz-controls=pan-tilt-relative,zoom-relative camera-control.10=-24,24,1,0,0 camera-control.11=-20,20,1,0,0";

    QTest::newRow("what a camera cannot serve is disabled, and sends nothing")
        << QStringList{"a", "b " + path + " ptz-controls=zoom-relative"}
        << QStringList{"enabled btn_mirror 1", "enabled widget 1", "enabled btn_num3 1", "click btn_cam2", "tabs bgbbb",
               "enabled widget 0", "enabled slider_zoom 1", "enabled slider_focus 0", "enabled btn_af 0",
               "enabled btn_home 0", "enabled btn_mirror 0", "enabled btn_flip 0", "enabled btn_mute 0",
               "enabled btn_ai 0", "enabled btn_push 0", "enabled btn_num3 0", "enabled btn_set 0", "click btn_mirror",
               "click btn_home", "key Left", "keyup Left", "key 3", "key M", "sent",
               // Zoom at half the fastest of -7..7.
               "key T", "senton b ZoomSpeed(4)", "keyup T", "senton b ZoomStop", "click btn_cam1", "tabs gbbbb",
               "enabled btn_mirror 1", "enabled widget 1", "enabled btn_af 1", "enabled slider_focus 0",
               "enabled btn_num3 1"};

    // The keys' top speeds are the fastest the camera reports.
    QTest::newRow("moves at a share of the camera's fastest")
        << QStringList{"a " + speeds}
        << QStringList{"key Right", "sent PanRight(24)", "keyup Right", "sent PanRightStop", "key Down",
               "sent TiltDown(20)", "keyup Down", "sent TiltDownStop", "drag slider_zoom 46", "sent ZoomSpeed(4)",
               "release slider_zoom", "sent ZoomStop ZoomStop", "stepping 0", "enabled btn_home 0",
               "enabled btn_num1 0"};

    // 340 units of pan in 4 s at full speed: the first step of 40 ms goes
    // from 25 to 28.
    QTest::newRow("stepped moves step while they last, and no longer")
        << QStringList{"a " + stepped}
        << QStringList{"key Right", "steps PanTo up 2 28", "stepping 1", "keyup Right", "steps PanTo up 0",
               "stepping 0", "sent", "key Down", "steps TiltTo down 2", "blur", "steps TiltTo down 0", "stepping 0",
               "sent"};

    QTest::newRow("focus mode through the camera's automatic focus")
        << QStringList{"a " + stepped}
        << QStringList{"enabled btn_af 1", "enabled slider_focus 0", "click btn_af", "face btn_af MF.png",
               "enabled slider_focus 1", "sent FocusManualAt(128)", "click btn_af", "face btn_af AF.png",
               "enabled slider_focus 0", "sent FocusAutoMode"};

    QTest::newRow("presets in the panel's file")
        << QStringList{"a " + stepped}
        << QStringList{"presetfile none", "click btn_set", "click btn_num3", "sent", "presetfile kept",
               "click btn_home", "sent PanTo(0) TiltTo(0)", "click btn_num3",
               "sent PanTo(25) TiltTo(-10) ZoomTo(300) FocusTo(128)", "key 3",
               "sent PanTo(25) TiltTo(-10) ZoomTo(300) FocusTo(128)", "click btn_num7", "sent", "click btn_clear",
               "click btn_num3", "sent", "click btn_num3", "sent"};

    QTest::newRow("presets outlive the program")
        << QStringList{"a " + stepped}
        << QStringList{"click btn_set", "click btn_num5", "sent", "click btn_home", "sent PanTo(0) TiltTo(0)",
               "restart", "click btn_num5", "sent PanTo(25) TiltTo(-10) ZoomTo(300) FocusTo(128)"};

    // Kept through the links to their end, which is replaced whole; the
    // links stay links.
    QTest::newRow("a linked presets file stays a link")
        << QStringList{"a " + stepped}
        << QStringList{"presetfile link", "click btn_set", "click btn_num3", "sent", "presetfile linked",
               "click btn_set", "click btn_num4", "sent", "presetfile linked", "click btn_home",
               "sent PanTo(0) TiltTo(0)", "click btn_num3", "sent PanTo(25) TiltTo(-10) ZoomTo(300) FocusTo(128)"};

    // Told on the panel, left byte for byte, and nothing stored in it: the
    // store mode stays for a digit that can be kept.
    QTest::newRow("a damaged presets file is told and left alone")
        << QStringList{"a " + stepped}
        << QStringList{"click btn_set", "click btn_num1", "sent", "presetfile damage", "click btn_num1", "sent",
               "notice is damaged", "notice leaves it as it is", "presetfile unchanged", "click btn_set",
               "click btn_num2", "sent", "presetfile unchanged"};

    // A gamepad takes the window's roads: its shoulder and A keep preset 1
    // in the file, Start homes, A brings it back; its speeds are shares of
    // the camera's fastest, and Start on a camera that cannot home sends
    // nothing, as the dimmed HOME does.
    QTest::newRow("a gamepad stores, homes and recalls the same way")
        << QStringList{"a " + stepped}
        << QStringList{"pad plug p", "pad p BTN_TL=1 BTN_SOUTH=1", "sent", "presetfile kept",
               "pad p BTN_TL=0 BTN_SOUTH=0", "pad p BTN_START=1", "sent PanTo(0) TiltTo(0)", "pad p BTN_START=0",
               "pad p BTN_SOUTH=1", "sent PanTo(25) TiltTo(-10) ZoomTo(300) FocusTo(128)", "pad p BTN_SOUTH=0", "sent"};
    QTest::newRow("a gamepad moves at a share of the camera's fastest")
        << QStringList{"a " + speeds}
        << QStringList{"pad plug p", "pad p ABS_HAT0X=-1", "sent PanLeft(24)", "pad p ABS_HAT0X=0", "sent PanLeftStop",
               "pad p BTN_START=1", "pad p BTN_START=0", "sent"};

    // Without serial numbers, the place on the bus tells them apart.
    QTest::newRow("two cameras of one model keep their own presets")
        << QStringList{"a " + path + " ptz-controls=pan-tilt-absolute camera-control.0=-170,170,1,0,25",
               "b " + path + " ptz-controls=pan-tilt-absolute camera-control.0=-170,170,1,0,-60"}
        << QStringList{"click btn_set", "click btn_num1", "sent", "click btn_cam2", "click btn_set", "click btn_num1",
               "sent", "click btn_num1", "senton b PanTo(-60) TiltTo(0)", "click btn_cam1", "click btn_num1",
               "senton a PanTo(25) TiltTo(0)"};
}

QTEST_MAIN(PresetsFunctionsTest)
#include "test_presets_functions.moc"
