// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The five camera buttons and the two warning dialogs.
#include <QSignalSpy>
#include <QtTest>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "support/SimulatedBus.h"
#include "support/WindowProbe.h"

namespace {

const int kPassTimeout = 15000;

// Picture properties that tell the cameras apart: white balance and
// brightness differ per camera.
QStringList Pictures(int whiteBalance, int brightness)
{
    return {QStringLiteral("proc-amp.7=2800,6500,10,4600,%1").arg(whiteBalance),
        QStringLiteral("proc-amp.0=-64,64,1,0,%1").arg(brightness)};
}

}  // namespace

// Stops the test when the window's first pass did not come.
#define START_WITH(cameras)             \
    do {                                \
        startWith(cameras);             \
        if (QTest::currentTestFailed()) \
            return;                     \
    } while (false)

class CameraSelectionTest : public QObject {
    Q_OBJECT

private:
    SimulatedBus* bus = nullptr;
    MainWindow* window = nullptr;
    QStringList cams;  // base names of the plugged cameras, in bus order
    int generation = 0;

    // A shown window at a known place, after its first pass over `cameras`
    // cameras (fresh names each time, so no camera keeps state between tests).
    void startWith(int cameras)
    {
        QStringList& names = cams;
        names.clear();
        ++generation;
        for (int i = 0; i < cameras; ++i) {
            names << QStringLiteral("g%1cam%2").arg(generation).arg(i + 1);
            bus->plugCamera(names.last(), Pictures(3000 + 500 * i, -20 + 10 * i));
        }
        window = new MainWindow;
        window->move(140, 90);
        window->show();
        QSignalSpy passes(probe::discoveryTimer(*window), &QTimer::timeout);
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, kPassTimeout);
        QVERIFY(probe::settled(*window));
        bus->clearRequests();
    }

    QPoint noCameraSpot() const { return window->mapToGlobal(QPoint(0, 0)) + QPoint(163, 93); }

private slots:
    void initTestCase() { bus = new SimulatedBus; }
    void cleanupTestCase() { delete bus; }

    void init()
    {
        probe::resetAppState();
        bus->unplugAll();
        bus->clearRequests();
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        probe::deleteDialogs();
    }

    void buttonsWithThreeCameras()
    {
        START_WITH(3);
        QCOMPARE(probe::tabColours(window), QStringLiteral("gbbbb"));

        QTest::mouseClick(probe::button(window, "btn_cam3"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(probe::tabColours(window), QStringLiteral("bbgbb"));
        // The camera opened with the text "2" is the third on the bus.
        QVERIFY(!bus->requests("get-range", cams[2]).isEmpty());
        QVERIFY(bus->requestsOf(cams[0]).isEmpty());
        QVERIFY(bus->requestsOf(cams[1]).isEmpty());
        QCOMPARE(probe::child<QSlider>(window, "slider_wb")->value(), 4000);
        QCOMPARE(probe::child<QSlider>(window, "slider_brightness")->value(), 0);

        // Button 4 has no camera: a dialog, nothing else.
        bus->clearRequests();
        QTest::mouseClick(probe::button(window, "btn_cam4"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(probe::tabColours(window), QStringLiteral("bbgbb"));
        QVERIFY(bus->requests().isEmpty());
        const auto shown = probe::visible<NO_Mord_Camera>();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first()->pos(), noCameraSpot());
        QCOMPARE(shown.first()->size(), QSize(326, 187));
        QVERIFY(shown.first()->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(shown.first()->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!shown.first()->isModal());

        // Another empty slot click brings the same warning forward: one says it.
        QTest::mouseClick(probe::button(window, "btn_cam5"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(probe::visible<NO_Mord_Camera>(), shown);

        QTest::mouseClick(probe::button(window, "btn_cam1"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(probe::tabColours(window), QStringLiteral("gbbbb"));
        QVERIFY(!bus->requests("get-range", cams[0]).isEmpty());
    }

    void buttonsWithoutCamera()
    {
        START_WITH(0);
        QCOMPARE(probe::visible<NO_Device>().size(), 1);
        QTest::mouseClick(probe::button(window, "btn_cam1"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(probe::tabColours(window), QStringLiteral("bbbbb"));
        QVERIFY(probe::visible<NO_Mord_Camera>().isEmpty());
        QVERIFY(bus->requests().isEmpty());

        QTest::mouseClick(probe::button(window, "btn_cam2"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(probe::visible<NO_Mord_Camera>().size(), 1);
        QCOMPARE(probe::tabColours(window), QStringLiteral("bbbbb"));
        QVERIFY(bus->requests().isEmpty());
    }

    // Button 2 puts slider_wb back to the cached white balance before it
    // opens the camera.
    void secondButtonRestoresWhiteBalanceFirst()
    {
        START_WITH(2);
        QSlider* wb = probe::child<QSlider>(window, "slider_wb");
        QCOMPARE(wb->value(), 3000);
        QTest::mouseClick(probe::button(window, "btn_default"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QCOMPARE(wb->value(), 4600);

        QSignalSpy values(wb, &QSlider::valueChanged);
        QTest::mouseClick(probe::button(window, "btn_cam2"), Qt::LeftButton);
        QVERIFY(probe::settled(*window));
        QVERIFY(values.count() >= 2);
        QCOMPARE(values.first().at(0).toInt(), 3000);
        QCOMPARE(values.last().at(0).toInt(), 3500);
        QCOMPARE(probe::tabColours(window), QStringLiteral("bgbbb"));
    }

    void warningSlots()
    {
        START_WITH(1);
        window->move(200, 150);
        // Each shows the no-camera warning; one at a time is on screen.
        for (const char* slot : {"cam2_warn", "cam3_warn", "cam4_warn", "cam5_warn"}) {
            probe::invoke(*window, slot);
            const auto shown = probe::visible<NO_Mord_Camera>();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first()->pos(), noCameraSpot());
            QTest::mouseClick(probe::button(shown.first(), "btn_ok"), Qt::LeftButton);
        }

        probe::invoke(*window, "Warn_NoDev");
        const auto noDevice = probe::visible<NO_Device>();
        QCOMPARE(noDevice.size(), 1);
        QCOMPARE(noDevice.first()->pos(), noCameraSpot());
        probe::invoke(*window, "warn_exit");
        QVERIFY(probe::visible<NO_Device>().isEmpty());
    }

    // A dialog's stay-on-top choice is made once, when it is built.
    void onTopFlagFixedAtConstruction()
    {
        START_WITH(1);
        g_noCameraOnTop = 0;
        g_noDeviceOnTop = 0;
        probe::invoke(*window, "cam2_warn");
        probe::invoke(*window, "Warn_NoDev");
        NO_Mord_Camera* plainCamera = probe::visible<NO_Mord_Camera>().first();
        NO_Device* plainDevice = probe::visible<NO_Device>().first();
        QVERIFY(!(plainCamera->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!(plainDevice->windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(plainDevice->windowFlags() & Qt::FramelessWindowHint);

        g_noCameraOnTop = 1;
        g_noDeviceOnTop = 1;
        // While shown, the warning is the same one, as it was made.
        probe::invoke(*window, "cam3_warn");
        QCOMPARE(probe::visible<NO_Mord_Camera>(), QList<NO_Mord_Camera*>{plainCamera});
        QVERIFY(!(plainCamera->windowFlags() & Qt::WindowStaysOnTopHint));
        // Dismissed, the next is made afresh, with the flag of its time.
        QTest::mouseClick(probe::button(plainCamera, "btn_ok"), Qt::LeftButton);
        probe::invoke(*window, "cam3_warn");
        probe::invoke(*window, "Warn_NoDev");
        const auto onTop = probe::visible<NO_Mord_Camera>();
        QCOMPARE(onTop.size(), 1);
        QVERIFY(onTop.first() != plainCamera);
        QVERIFY(onTop.first()->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(probe::visible<NO_Device>().first()->windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void dialogsFollowLeftDragsOnly_data()
    {
        QTest::addColumn<bool>("noDevice");
        QTest::newRow("no-device dialog") << true;
        QTest::newRow("no-camera dialog") << false;
    }

    void dialogsFollowLeftDragsOnly()
    {
        QFETCH(bool, noDevice);
        START_WITH(1);
        probe::invoke(*window, noDevice ? "Warn_NoDev" : "cam2_warn");
        QDialog* dialog = noDevice ? static_cast<QDialog*>(probe::visible<NO_Device>().first())
                                   : static_cast<QDialog*>(probe::visible<NO_Mord_Camera>().first());
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        const QPoint start = dialog->pos();
        const QPoint grip(20, 20);

        // The right button drags nothing.
        QTest::mousePress(dialog, Qt::RightButton, Qt::NoModifier, grip);
        probe::mouseMove(dialog, grip + QPoint(50, 30), Qt::RightButton);
        QTest::mouseRelease(dialog, Qt::RightButton, Qt::NoModifier, grip + QPoint(50, 30));
        QCOMPARE(dialog->pos(), start);

        // The left button does, step by step.
        QTest::mousePress(dialog, Qt::LeftButton, Qt::NoModifier, grip);
        probe::mouseMove(dialog, grip + QPoint(30, 10), Qt::LeftButton);
        QCOMPARE(dialog->pos(), start + QPoint(30, 10));
        // The dialog has moved under the pointer; its local grip is unchanged.
        probe::mouseMove(dialog, grip + QPoint(-45, 25), Qt::LeftButton);
        QCOMPARE(dialog->pos(), start + QPoint(-15, 35));
        QTest::mouseRelease(dialog, Qt::LeftButton, Qt::NoModifier, grip + QPoint(-45, 25));

        // After the release, a move with the left button reported held (but
        // no press seen) does nothing.
        probe::mouseMove(dialog, grip + QPoint(60, 60), Qt::LeftButton);
        QCOMPARE(dialog->pos(), start + QPoint(-15, 35));

        // A window manager that answers moves late reports an earlier
        // position between two steps: the next step still puts the grip
        // under the pointer instead of adding to the old place.
        const QPoint held = dialog->pos();
        QTest::mousePress(dialog, Qt::LeftButton, Qt::NoModifier, grip);
        probe::mouseMove(dialog, grip + QPoint(15, 10), Qt::LeftButton);
        QCOMPARE(dialog->pos(), held + QPoint(15, 10));
        dialog->move(held);                                               // the late report
        probe::mouseMove(dialog, grip + QPoint(30, 20), Qt::LeftButton);  // the pointer at held + grip + (30, 20)
        QCOMPARE(dialog->pos(), held + QPoint(30, 20));
        QTest::mouseRelease(dialog, Qt::LeftButton, Qt::NoModifier, grip + QPoint(30, 20));
    }

    void okHidesTheDialogs()
    {
        START_WITH(1);
        probe::invoke(*window, "Warn_NoDev");
        probe::invoke(*window, "cam2_warn");
        NO_Device* noDevice = probe::visible<NO_Device>().first();
        NO_Mord_Camera* noCamera = probe::visible<NO_Mord_Camera>().first();
        QTest::mouseClick(probe::button(noDevice, "btn_ok"), Qt::LeftButton);
        QTest::mouseClick(probe::button(noCamera, "btn_ok"), Qt::LeftButton);
        QVERIFY(!noDevice->isVisible());
        QVERIFY(!noCamera->isVisible());
    }

    void quitEndsTheEventLoopWithZero()
    {
        START_WITH(0);
        NO_Device* dialog = probe::visible<NO_Device>().first();
        QPushButton* quit = probe::button(dialog, "btn_quit");
        QCOMPARE(quit->styleSheet(), QStringLiteral("QPushButton{image: url(:/img/Quit.png);background-color:black;}"));
        qApp->setQuitOnLastWindowClosed(false);
        QTimer::singleShot(0, quit, [quit] { QTest::mouseClick(quit, Qt::LeftButton); });
        // Should Quit do nothing, this ends the loop with a code that fails.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(60000);
        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(CameraSelectionTest)
#include "test_camera_selection.moc"
