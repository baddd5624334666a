// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Start-up, the discovery pass and hot-plug, on a simulated USB bus.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "support/DescriptorsExhausted.h"
#include "support/SimulatedBus.h"
#include "support/WindowProbe.h"

using namespace ptzdeck::platform;

namespace {

QStringList g_debugLines;
QtMessageHandler g_previousHandler = nullptr;

void CaptureDebug(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg)
        g_debugLines << text;
    g_previousHandler(type, context, text);
}

const QString kMuted =
    QStringLiteral("QPushButton{border-image: url(:/img/mute.png);background-attachment;border:none;}");
const QString kUnmuted =
    QStringLiteral("QPushButton{border-image: url(:/img/no_mute.png);background-attachment;border:none;}");
const int kPassTimeout = 15000;

}  // namespace

class StartupHotplugTest : public QObject {
    Q_OBJECT

private:
    SimulatedBus* bus = nullptr;

    // Waits for the pass the window's timer is counting down to.
    static void waitForPass(QSignalSpy& passes, int count = 1)
    {
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), count, kPassTimeout);
        // The pass walks the cameras on the camera's thread: it is over once
        // that has answered.
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<MainWindow*>(top))
                QVERIFY(probe::settled(*window));
    }

private slots:
    void initTestCase()
    {
        bus = new SimulatedBus;
        g_previousHandler = qInstallMessageHandler(CaptureDebug);
    }

    void cleanupTestCase()
    {
        qInstallMessageHandler(g_previousHandler);
        delete bus;
    }

    void init()
    {
        probe::resetAppState();
        bus->unplugAll();
        bus->clearRequests();
        g_debugLines.clear();
    }

    void cleanup()
    {
        probe::deleteAll<NO_Device>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void slotsKeepTheirOrder()
    {
        const QStringList expected{"InitValue()", "InitWindows()", "InitConnect()", "InitUSBGuid()",
            "nativeEvent(QByteArray,void*,long*)", "paintEvent(QPaintEvent*)",
            "on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason)", "MoveEvent(BaseDevice*,int,int,int)",
            "MovePlace(int)", "SpeedX(int)", "SpeedY(int)", "zoomchanged()", "zoomstop()", "focuschanged()",
            "focusstop()", "on_btn_mute_clicked()", "on_btn_top_clicked()", "on_btn_min_clicked()",
            "on_btn_close_clicked()", "on_btn_af_clicked()", "on_btn_ai_clicked()", "on_btn_push_clicked()",
            "on_btn_num1_clicked()", "on_btn_num2_clicked()", "on_btn_num3_clicked()", "on_btn_num4_clicked()",
            "on_btn_num5_clicked()", "on_btn_num6_clicked()", "on_btn_num7_clicked()", "on_btn_num8_clicked()",
            "on_btn_num9_clicked()", "on_btn_set_clicked()", "on_btn_num0_clicked()", "on_btn_clear_clicked()",
            "on_btn_flip_clicked()", "on_btn_home_clicked()", "on_btn_mirror_clicked()", "on_btn_cam1_clicked()",
            "on_btn_cam2_clicked()", "on_btn_cam3_clicked()", "on_btn_cam4_clicked()", "on_btn_cam5_clicked()",
            "on_btn_setting_clicked()", "TimerInit()", "Setting_Press(int)", "Warn_NoDev()", "cam2_warn()",
            "cam3_warn()", "cam4_warn()", "cam5_warn()", "warn_exit()", "on_cb_fliker_currentTextChanged(QString)",
            "on_btn_default_clicked()", "on_btn_ok_clicked()", "on_slider_wb_sliderMoved(int)",
            "on_slider_blc_sliderMoved(int)", "on_slider_gamma_sliderMoved(int)", "on_slider_contrast_sliderMoved(int)",
            "on_slider_saturation_sliderMoved(int)", "on_slider_brightness_sliderMoved(int)",
            "on_slider_sharpness_sliderMoved(int)"};
        const QMetaObject& meta = MainWindow::staticMetaObject;
        QStringList actual;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            QCOMPARE(meta.method(i).access(), QMetaMethod::Private);
            actual << QString::fromLatin1(meta.method(i).methodSignature());
        }
        QCOMPARE(actual, expected);
    }

    // Before the first pass: the frozen, frameless window, the timer counting
    // down, a hidden no-device dialog and btn_cam1 without an image.
    void startingState()
    {
        bus->plugCamera("a");
        MainWindow window;
        QTimer* timer = probe::discoveryTimer(window);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 500);
        QCOMPARE(window.minimumSize(), QSize(653, 436));
        QCOMPARE(window.maximumSize(), QSize(653, 436));
        QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(g_noDeviceOnTop, 1);
        QCOMPARE(g_noCameraOnTop, 1);
        QCOMPARE(g_cameraOpen, 0);
        QVERIFY(!probe::child<QWidget>(&window, "Win_Right")->isVisibleTo(&window));
        QVERIFY(!probe::child<QWidget>(&window, "slider_focus")->isEnabled());
        QCOMPARE(probe::child<QSlider>(&window, "slider_zoom")->sliderPosition(), 45);
        QCOMPARE(probe::child<QSlider>(&window, "slider_zoom")->pageStep(), 0);
        QCOMPARE(probe::child<QSlider>(&window, "slider_focus")->sliderPosition(), 45);

        // The bus directory is watchable, so the registration succeeded.
        QCOMPARE(probe::button(&window, "btn_cam1")->styleSheet(),
            QStringLiteral("QPushButton{border:none;background:transparent;color:rgb(3,216,98)}"));
        QCOMPARE(probe::tabColours(&window).mid(1), QStringLiteral("bbbb"));
        QCOMPARE(probe::button(&window, "btn_mute")->styleSheet(), kMuted);

        const auto trays = window.findChildren<QSystemTrayIcon*>();
        QCOMPARE(trays.size(), 1);
        QVERIFY(trays.first()->isVisible());
        QVERIFY(!trays.first()->icon().isNull());

        // The no-camera warning is built by a pass that finds no camera, not
        // ahead of it: none exists before the first pass.
        QVERIFY(probe::all<NO_Device>().isEmpty());
        QVERIFY(bus->requests().isEmpty());
    }

    // Without device-change notifications btn_cam1 gets the grey mark, and
    // the first pass still runs.
    void registrationFailureLeavesGreyMark()
    {
        bus->plugCamera("a");
        std::unique_ptr<MainWindow> window;
        {
            DescriptorsExhausted exhausted;
            window = std::make_unique<MainWindow>();
        }
        QCOMPARE(probe::button(window.get(), "btn_cam1")->styleSheet(),
            QStringLiteral("QPushButton{border:none;background:transparent;color:rgb(205,205,205)}"));
        QSignalSpy passes(probe::discoveryTimer(*window), &QTimer::timeout);
        waitForPass(passes);
        QCOMPARE(g_cameraOpen, 1);
        QCOMPARE(probe::tabColours(window.get()), QStringLiteral("gbbbb"));
    }

    void startWithTwoCameras()
    {
        bus->plugCamera("a");
        bus->plugCamera("b");
        MainWindow window;
        QSignalSpy passes(probe::discoveryTimer(window), &QTimer::timeout);
        waitForPass(passes);

        QCOMPARE(g_cameraCount, 2);
        QCOMPARE(g_cameraOpen, 1);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("gbbbb"));
        QCOMPARE(probe::button(&window, "btn_mute")->styleSheet(), kUnmuted);
        QVERIFY(probe::visible<NO_Device>().isEmpty());
        // Camera index 0 was opened and loaded; the other was left alone.
        QVERIFY(!bus->requests("get-range", "a").isEmpty());
        QVERIFY(bus->requestsOf("b").isEmpty());
        QVERIFY(!g_debugLines.contains("hello227"));
        QVERIFY(!probe::discoveryTimer(window)->isActive());
    }

    void noCameraOutcomes_data()
    {
        QTest::addColumn<bool>("otherDevice");
        QTest::addColumn<bool>("enumerationFails");
        QTest::newRow("devices present, none matching") << true << false;
        QTest::newRow("no video-capture device at all") << false << true;
    }

    void noCameraOutcomes()
    {
        QFETCH(bool, otherDevice);
        QFETCH(bool, enumerationFails);
        if (otherDevice)
            bus->plug("webcam", {"name=Some webcam", "path=\\\\?\\usb#vid_046d&pid_0825&mi_00#5&1#{x}"});
        MainWindow window;
        window.move(120, 80);
        QSignalSpy passes(probe::discoveryTimer(window), &QTimer::timeout);
        waitForPass(passes);

        QCOMPARE(g_cameraOpen, 0);
        QCOMPARE(g_cameraCount, 0);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("bbbbb"));
        QCOMPARE(probe::button(&window, "btn_mute")->styleSheet(), kMuted);
        const auto shown = probe::visible<NO_Device>();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first()->pos(), window.mapToGlobal(QPoint(0, 0)) + QPoint(163, 93));
        QCOMPARE(g_debugLines.count("hello227"), enumerationFails ? 1 : 0);
        QVERIFY(bus->requests("ks-set").isEmpty());
    }

    // Nothing but a device change starts another pass; a burst of changes
    // gives one pass, 500 ms after the last of them.
    void burstOfChangesGivesOnePass()
    {
        bus->plugCamera("a");
        MainWindow window;
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy passes(timer, &QTimer::timeout);
        waitForPass(passes);
        QVERIFY(!timer->isActive());
        const int loadsPerPass = bus->requests("get-range", "a").size();
        QVERIFY(loadsPerPass > 0);
        bus->clearRequests();

        // Several changes at once.
        for (int i = 0; i < 5; ++i)
            QVERIFY(probe::deviceChange(window, i % 2 ? DBT_DEVICEREMOVECOMPLETE : DBT_DEVICEARRIVAL));
        QElapsedTimer sinceLast;
        sinceLast.start();
        waitForPass(passes, 2);
        // Coarse timers may fire up to 5 % early.
        QVERIFY2(sinceLast.elapsed() >= 470, qPrintable(QString::number(sinceLast.elapsed())));
        QVERIFY(!timer->isActive());

        // Two changes apart: the second restarts the countdown.
        QVERIFY(probe::deviceChange(window, DBT_DEVICEARRIVAL));
        QElapsedTimer sinceFirst;
        sinceFirst.start();
        QTRY_VERIFY_WITH_TIMEOUT(timer->remainingTime() <= 250 || passes.count() > 2, kPassTimeout);
        QCOMPARE(passes.count(), 2);
        QVERIFY(probe::deviceChange(window, DBT_DEVICEARRIVAL));
        sinceLast.start();
        QVERIFY(timer->remainingTime() > 400);
        waitForPass(passes, 3);
        QVERIFY(sinceLast.elapsed() >= 470);
        QVERIFY(sinceFirst.elapsed() >= 470 + 250);
        QVERIFY(!timer->isActive());
        QCOMPARE(passes.count(), 3);
        // Each of the two passes opened and loaded camera index 0 again.
        QCOMPARE(bus->requests("get-range", "a").size(), 2 * loadsPerPass);
    }

    // A pass reopens camera index 0 even when another camera was chosen.
    void passReopensFirstCamera()
    {
        bus->plugCamera("a");
        bus->plugCamera("b");
        MainWindow window;
        QSignalSpy passes(probe::discoveryTimer(window), &QTimer::timeout);
        waitForPass(passes);
        QTest::mouseClick(probe::button(&window, "btn_cam2"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QCOMPARE(probe::tabColours(&window), QStringLiteral("bgbbb"));
        bus->clearRequests();

        QVERIFY(probe::deviceChange(window, DBT_DEVICEARRIVAL));
        waitForPass(passes, 2);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("gbbbb"));
        QVERIFY(!bus->requests("get-range", "a").isEmpty());
        QVERIFY(bus->requestsOf("b").isEmpty());
    }

    void nativeEventFiltersMessages_data()
    {
        QTest::addColumn<QByteArray>("eventType");
        QTest::addColumn<uint>("message");
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<bool>("schedules");
        const QByteArray windows("windows_generic_MSG");
        QTest::newRow("arrival") << windows << uint(0x0219) << quint64(0x8000) << true;
        QTest::newRow("removal") << windows << uint(0x0219) << quint64(0x8004) << true;
        QTest::newRow("nodes changed") << windows << uint(0x0219) << quint64(0x0007) << false;
        QTest::newRow("query remove") << windows << uint(0x0219) << quint64(0x8001) << false;
        QTest::newRow("remove pending") << windows << uint(0x0219) << quint64(0x8003) << false;
        QTest::newRow("other message") << windows << uint(0x0010) << quint64(0x8000) << false;
        QTest::newRow("other event type")
            << QByteArray("xcb_generic_event_t") << uint(0x0219) << quint64(0x8000) << false;
    }

    void nativeEventFiltersMessages()
    {
        QFETCH(QByteArray, eventType);
        QFETCH(uint, message);
        QFETCH(quint64, wParam);
        QFETCH(bool, schedules);
        bus->plugCamera("a");
        MainWindow window;
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy passes(timer, &QTimer::timeout);
        waitForPass(passes);

        MSG msg;
        msg.message = message;
        msg.wParam = wParam;
        long result = 1234;
        QCOMPARE(probe::nativeEvent(window, eventType, &msg, &result), schedules);
        QCOMPARE(result, 1234L);
        QCOMPARE(timer->isActive(), schedules);
        if (schedules) {
            QCOMPARE(timer->interval(), 500);
            waitForPass(passes, 2);
        }
    }

    // Files appearing and vanishing in the bus directory reach the window
    // through the notifier: Camera ready, then No camera.
    void plugAndUnplugThroughTheNotifier()
    {
        MainWindow window;
        QSignalSpy passes(probe::discoveryTimer(window), &QTimer::timeout);
        waitForPass(passes);
        QCOMPARE(g_cameraOpen, 0);
        QCOMPARE(probe::visible<NO_Device>().size(), 1);

        bus->plugCamera("a");
        QTRY_COMPARE_WITH_TIMEOUT(g_cameraOpen, 1, kPassTimeout);
        QVERIFY(probe::settled(window));
        QCOMPARE(g_cameraCount, 1);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("gbbbb"));
        QCOMPARE(probe::button(&window, "btn_mute")->styleSheet(), kUnmuted);
        QVERIFY(probe::visible<NO_Device>().isEmpty());
        QVERIFY(!bus->requests("get-range", "a").isEmpty());

        bus->unplug("a");
        QTRY_COMPARE_WITH_TIMEOUT(g_cameraOpen, 0, kPassTimeout);
        QVERIFY(probe::settled(window));
        QCOMPARE(g_cameraCount, 0);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("bbbbb"));
        QCOMPARE(probe::button(&window, "btn_mute")->styleSheet(), kMuted);
        QCOMPARE(probe::visible<NO_Device>().size(), 1);
    }

    // Several passes without a camera make several dialogs; once cameras
    // are found, none of them may stay on screen.
    void noDeviceDialogsGoWhenCamerasArrive()
    {
        MainWindow window;
        QSignalSpy passes(probe::discoveryTimer(window), &QTimer::timeout);
        waitForPass(passes);
        QVERIFY(probe::deviceChange(window, DBT_DEVICEARRIVAL));
        waitForPass(passes, 2);
        QVERIFY(probe::deviceChange(window, DBT_DEVICEREMOVECOMPLETE));
        waitForPass(passes, 3);
        QCOMPARE(probe::visible<NO_Device>().size(), 1);

        bus->plugCamera("a");
        QVERIFY(probe::deviceChange(window, DBT_DEVICEARRIVAL));
        QTRY_COMPARE_WITH_TIMEOUT(g_cameraOpen, 1, kPassTimeout);
        QVERIFY(probe::settled(window));
        QVERIFY(probe::visible<NO_Device>().isEmpty());
    }

    // warn_exit hides the current dialog.
    void warnExitHidesTheDialog()
    {
        MainWindow window;
        QSignalSpy passes(probe::discoveryTimer(window), &QTimer::timeout);
        waitForPass(passes);
        QCOMPARE(probe::visible<NO_Device>().size(), 1);
        probe::invoke(window, "warn_exit");
        QVERIFY(probe::visible<NO_Device>().isEmpty());
    }
};

QTEST_MAIN(StartupHotplugTest)
#include "test_startup_hotplug.moc"
