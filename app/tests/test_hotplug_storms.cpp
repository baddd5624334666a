// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Hot-plug storms: bursts of device changes, a camera gone between the pass
// that counted it and the click that opens it, and cameras unplugged while
// the joystick, a key or the zoom slider is held.
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

#include <algorithm>
#include <vector>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "devices/DeviceNotifier.h"
#include "support/SimulatedBus.h"
#include "support/WindowProbe.h"

using namespace ptzdeck::platform;

namespace {

const int kPassTimeout = 15000;
const int kDeliveryTimeout = 10000;
// The discovery countdown, and how early or late a coarse timer may fire.
const qint64 kCountdownMs = 500;
const qint64 kTimerSlackMs = 25;

// One relative move as the camera logged it: set, id and value1.
struct Move {
    int id = -1;
    int value = 0;
};

// The relative moves (pan 10, tilt 11, zoom 13, focus 16) `camera` received, in order.
std::vector<Move> movesOf(const SimulatedBus& bus, const QString& camera)
{
    std::vector<Move> out;
    for (const QString& line : bus.requests(QStringLiteral("ks-set"), camera)) {
        const QStringList w = line.split(' ');
        if (w.size() < 7 || w[2] != QLatin1String("camera-control"))
            continue;
        const int id = w[3].toInt();
        if (id != 10 && id != 11 && id != 13 && id != 16)
            continue;
        out.push_back({id, w[4].mid(QStringLiteral("value1=").size()).toInt()});
    }
    return out;
}

// The last value sent on one axis; 0 when nothing was sent.
int lastOnAxis(const std::vector<Move>& moves, int id)
{
    for (auto it = moves.rbegin(); it != moves.rend(); ++it)
        if (it->id == id)
            return it->value;
    return 0;
}

bool anyMoveOn(const std::vector<Move>& moves, int id, bool nonZero)
{
    return std::any_of(
        moves.begin(), moves.end(), [&](const Move& m) { return m.id == id && (!nonZero || m.value != 0); });
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapTo(widget->window(), pos)),
        QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}

// The joystick repaints its knob (which its reports read) on every second
// move only, so each position goes twice.
void dragJoystick(QWidget* joystick, QPoint to)
{
    sendMouse(joystick, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(joystick, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
}

// Turns the event loop until `done`, blocking only while no event is due.
template <class Condition>
bool waitUntil(Condition done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// When the discovery passes ran (just after each).
class PassClock : public QObject {
public:
    explicit PassClock(QTimer* timer, const QElapsedTimer& clock) : clock(clock)
    {
        connect(timer, &QTimer::timeout, this, [this] { passes.push_back(this->clock.elapsed()); });
    }
    std::vector<qint64> passes;

private:
    const QElapsedTimer& clock;
};

// How many passes a series of device changes (their delivery times) may
// give by the rule "one pass 500 ms after a change that no other change
// follows within 500 ms": one per gap that may be as long as the countdown.
// (A gap that long may also give none: when the machine stalls, the next
// change and the overdue countdown reach the event loop together, and the
// change is handled first.)
int passesAtMost(const std::vector<qint64>& deliveries)
{
    int most = 0;
    for (size_t i = 1; i < deliveries.size(); ++i)
        if (deliveries[i] - deliveries[i - 1] >= kCountdownMs - kTimerSlackMs)
            ++most;
    return most;
}

QString gapsText(const std::vector<qint64>& deliveries)
{
    qint64 longest = 0;
    for (size_t i = 1; i < deliveries.size(); ++i)
        longest = std::max(longest, deliveries[i] - deliveries[i - 1]);
    return QStringLiteral("%1 changes over %2 ms, longest gap %3 ms")
        .arg(deliveries.size())
        .arg(deliveries.empty() ? 0 : deliveries.back() - deliveries.front())
        .arg(longest);
}

}  // namespace

class HotplugStormsTest : public QObject {
    Q_OBJECT

private:
    SimulatedBus* bus = nullptr;

    static void waitForFirstPass(MainWindow& window, QSignalSpy& passes, int cameras)
    {
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 1, kPassTimeout);
        QVERIFY(probe::settled(window));
        QCOMPARE(g_cameraCount, cameras);
        QCOMPARE(g_cameraOpen, cameras > 0 ? 1 : 0);
    }

private slots:
    void initTestCase() { bus = new SimulatedBus; }
    void cleanupTestCase() { delete bus; }

    void init()
    {
        probe::resetAppState();
        g_noDeviceOnTop = g_noCameraOnTop = 1;
        bus->unplugAll();
        bus->clearRequests();
    }

    void cleanup() { probe::deleteDialogs(); }

    // Two hundred cameras plugged and unplugged through the bus directory, as
    // fast as the notifier reports them: every change is reported once, and
    // they give one pass, half a second after the last, which opens camera
    // index 0 of what is left.
    void twoHundredChangesThroughTheNotifier()
    {
        bus->plugCamera("a");
        MainWindow window;
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy firstPass(timer, &QTimer::timeout);
        waitForFirstPass(window, firstPass, 1);
        const int loadsPerOpen = bus->requests("get-range", "a").size();
        QVERIFY(loadsPerOpen > 0);
        bus->clearRequests();

        auto* notifier = window.findChild<DeviceNotifier*>();
        QVERIFY(notifier);
        QElapsedTimer clock;
        clock.start();
        PassClock passes(timer, clock);
        // When each change reached the window (right after it restarted the countdown).
        std::vector<qint64> deliveries;
        QList<quintptr> kinds;
        connect(notifier, &DeviceNotifier::deviceChanged, this, [&](quintptr kind) {
            deliveries.push_back(clock.elapsed());
            kinds << kind;
        });

        // 100 cameras in, 99 out again, and one more in: s099 and b stay.
        QStringList changes;
        for (int i = 0; i < 100; ++i)
            changes << QStringLiteral("+s%1").arg(i, 3, 10, QLatin1Char('0'));
        for (int i = 0; i < 99; ++i)
            changes << QStringLiteral("-s%1").arg(i, 3, 10, QLatin1Char('0'));
        changes << QStringLiteral("+b");
        QCOMPARE(changes.size(), 200);
        for (const QString& change : changes) {
            const QString name = change.mid(1);
            if (change.startsWith('+'))
                bus->plugCamera(name);
            else
                bus->unplug(name);
            const size_t before = deliveries.size();
            QVERIFY2(waitUntil([&] { return deliveries.size() > before; }, kDeliveryTimeout),
                qPrintable("not reported: " + change));
        }
        const qint64 lastChange = deliveries.back();
        qInfo("storm: %s", qPrintable(gapsText(deliveries)));

        QVERIFY(waitUntil([&] { return !passes.passes.empty() && passes.passes.back() > lastChange; }, kPassTimeout));
        QVERIFY(probe::settled(window));
        QVERIFY(!timer->isActive());
        // Each change reported exactly once, as what it was.
        QCOMPARE(int(deliveries.size()), 200);
        for (int i = 0; i < changes.size(); ++i)
            QCOMPARE(kinds[i], changes[i].startsWith('+') ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE);

        // The passes: none while the changes came quicker than the countdown,
        // then exactly one, half a second after the last change.
        const int duringStorm =
            int(std::count_if(passes.passes.begin(), passes.passes.end(), [&](qint64 t) { return t <= lastChange; }));
        QVERIFY2(duringStorm <= passesAtMost(deliveries),
            qPrintable(QStringLiteral("%1 passes during the storm; %2").arg(duringStorm).arg(gapsText(deliveries))));
        QCOMPARE(int(passes.passes.size()) - duringStorm, 1);
        QVERIFY2(passes.passes.back() - lastChange >= kCountdownMs - kTimerSlackMs,
            qPrintable(QString::number(passes.passes.back() - lastChange)));

        // What the last pass found: a, b, s099; camera index 0 ("a") opened once.
        QCOMPARE(g_cameraCount, 3);
        QCOMPARE(g_cameraOpen, 1);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("gbbbb"));
        QCOMPARE(bus->requests("get-range", "a").size(), loadsPerOpen * (duringStorm + 1));
        QVERIFY(bus->requestsOf("b").isEmpty());
        QVERIFY(bus->requestsOf("s099").isEmpty());
        QVERIFY(probe::visible<NO_Device>().isEmpty());
    }

    // Two hundred change messages spread over 800 ms (one due every 4 ms; a
    // pacing timer sends those that are due): the countdown restarts at
    // each, so one pass runs, 500 ms after the last message.
    void twoHundredMessagesWithinOneSecond()
    {
        bus->plugCamera("a");
        MainWindow window;
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy firstPass(timer, &QTimer::timeout);
        waitForFirstPass(window, firstPass, 1);
        const int loadsPerOpen = bus->requests("get-range", "a").size();
        QVERIFY(loadsPerOpen > 0);
        bus->clearRequests();

        QElapsedTimer clock;
        clock.start();
        PassClock passes(timer, clock);
        std::vector<qint64> deliveries;
        QTimer pacer;
        pacer.setTimerType(Qt::PreciseTimer);
        pacer.setInterval(2);
        const qint64 start = clock.elapsed();
        connect(&pacer, &QTimer::timeout, this, [&] {
            while (deliveries.size() < 200 && qint64(deliveries.size()) * 4 <= clock.elapsed() - start) {
                const uintptr_t kind = deliveries.size() % 2 ? DBT_DEVICEREMOVECOMPLETE : DBT_DEVICEARRIVAL;
                QVERIFY(probe::deviceChange(window, kind));
                deliveries.push_back(clock.elapsed());
            }
            if (deliveries.size() == 200)
                pacer.stop();
        });
        pacer.start();
        QVERIFY(waitUntil([&] { return deliveries.size() == 200; }, 60000));
        const qint64 lastMessage = deliveries.back();
        qInfo("messages: %s", qPrintable(gapsText(deliveries)));

        QVERIFY(waitUntil([&] { return !passes.passes.empty() && passes.passes.back() > lastMessage; }, kPassTimeout));
        QVERIFY(!timer->isActive());
        const int duringStorm =
            int(std::count_if(passes.passes.begin(), passes.passes.end(), [&](qint64 t) { return t <= lastMessage; }));
        QVERIFY2(duringStorm <= passesAtMost(deliveries),
            qPrintable(QStringLiteral("%1 passes; %2").arg(duringStorm).arg(gapsText(deliveries))));
        QCOMPARE(int(passes.passes.size()) - duringStorm, 1);
        QVERIFY(passes.passes.back() - lastMessage >= kCountdownMs - kTimerSlackMs);
        QVERIFY(probe::settled(window));
        QCOMPARE(bus->requests("get-range", "a").size(), loadsPerOpen * (duringStorm + 1));
    }

    // Camera 1 unplugged; before the pass that would notice it, Cam3 is
    // chosen: the count still says three, but index 2 is gone, so Open fails
    // silently. No tab lights (nothing is open), the pane keeps its values,
    // and nothing reaches any camera until one is opened again. Cam2 then opens what is
    // now index 1, and the pass opens what is now index 0.
    void cameraGoneBeforeItIsOpened()
    {
        bus->plugCamera("a", {QStringLiteral("proc-amp.0=-64,64,1,0,11")});
        bus->plugCamera("b", {QStringLiteral("proc-amp.0=-64,64,1,0,22")});
        bus->plugCamera("c", {QStringLiteral("proc-amp.0=-64,64,1,0,33")});
        MainWindow window;
        window.show();
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy passes(timer, &QTimer::timeout);
        waitForFirstPass(window, passes, 3);
        QCOMPARE(g_pictureSettings.brightness.current, 11);
        int reported = 0;
        connect(window.findChild<DeviceNotifier*>(), &DeviceNotifier::deviceChanged, this, [&] { ++reported; });
        bus->clearRequests();

        bus->unplug("a");
        // The change is known (the countdown runs) but the pass has not run.
        QVERIFY(waitUntil([&] { return reported == 1; }, kDeliveryTimeout));
        QVERIFY(timer->isActive());
        QCOMPARE(passes.count(), 1);
        QCOMPARE(g_cameraCount, 3);

        // Nothing below turns the event loop, so the pass cannot run in between.
        QTest::mouseClick(probe::button(&window, "btn_cam3"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QCOMPARE(probe::tabColours(&window), QStringLiteral("bbbbb"));
        QVERIFY(probe::visible<NO_Mord_Camera>().isEmpty());
        QCOMPARE(g_cameraOpen, 1);
        QCOMPARE(g_pictureSettings.brightness.current, 11);
        QCOMPARE(probe::child<QSlider>(&window, "slider_brightness")->value(), 11);
        QTest::mouseClick(probe::button(&window, "btn_num1"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QTest::mouseClick(probe::button(&window, "btn_home"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QTest::keyClick(&window, Qt::Key_Left);
        QVERIFY(probe::settled(window));
        QVERIFY2(bus->requests().isEmpty(), qPrintable(bus->requests().join('\n')));

        // Cam2: index 1 is now "c".
        QTest::mouseClick(probe::button(&window, "btn_cam2"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QCOMPARE(probe::tabColours(&window), QStringLiteral("bgbbb"));
        QCOMPARE(g_pictureSettings.brightness.current, 33);
        QVERIFY(!bus->requests("get-range", "c").isEmpty());
        QVERIFY(bus->requestsOf("b").isEmpty());
        bus->clearRequests();
        QTest::mouseClick(probe::button(&window, "btn_num1"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QCOMPARE(
            bus->requests("ks-set"), QStringList{"c ks-set camera-control 2 value1=101 value2=0 flags=0x0 len=40"});
        QVERIFY(timer->isActive());
        QCOMPARE(passes.count(), 1);

        // The pass: two cameras, index 0 is "b".
        bus->clearRequests();
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 2, kPassTimeout);
        QVERIFY(probe::settled(window));
        QCOMPARE(g_cameraCount, 2);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("gbbbb"));
        QCOMPARE(g_pictureSettings.brightness.current, 22);
        QVERIFY(!bus->requests("get-range", "b").isEmpty());
        bus->clearRequests();
        QTest::mouseClick(probe::button(&window, "btn_num1"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QCOMPARE(
            bus->requests("ks-set"), QStringList{"b ks-set camera-control 2 value1=101 value2=0 flags=0x0 len=40"});

        // Cam3 now has no camera behind it: the no-camera warning.
        QTest::mouseClick(probe::button(&window, "btn_cam3"), Qt::LeftButton);
        QVERIFY(probe::settled(window));
        QCOMPARE(probe::visible<NO_Mord_Camera>().size(), 1);
        QCOMPARE(probe::tabColours(&window), QStringLiteral("gbbbb"));
    }

    // The open camera unplugged while the joystick pans it: the pass opens
    // the camera that remains, which must not start moving on its own, and
    // whatever the joystick sends it afterwards is stopped by the release.
    void unplugOpenCameraWhileJoystickHeld_data()
    {
        QTest::addColumn<bool>("moveAfterSwitch");
        QTest::newRow("held still") << false;
        QTest::newRow("moved on") << true;
    }

    void unplugOpenCameraWhileJoystickHeld()
    {
        QFETCH(bool, moveAfterSwitch);
        bus->plugCamera("a");
        bus->plugCamera("b");
        MainWindow window;
        window.show();
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy passes(timer, &QTimer::timeout);
        waitForFirstPass(window, passes, 2);
        bus->clearRequests();

        QWidget* joystick = probe::child<QWidget>(&window, "widget");
        QSignalSpy ticks(joystick, SIGNAL(Speed_Tilt(int)));
        const QPoint centre = joystick->rect().center();
        sendMouse(joystick, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
        dragJoystick(joystick, QPoint(joystick->width() - 1, centre.y()));
        QTRY_VERIFY_WITH_TIMEOUT(anyMoveOn(movesOf(*bus, "a"), 10, true), kPassTimeout);
        QVERIFY(lastOnAxis(movesOf(*bus, "a"), 10) > 0);

        bus->unplug("a");
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 2, kPassTimeout);
        QVERIFY(probe::settled(window));
        QCOMPARE(g_cameraCount, 1);
        QVERIFY(!bus->requests("get-range", "b").isEmpty());
        // Still held: the joystick goes on reporting the same place and
        // speeds, which are no news to the window.
        const int ticksAfterSwitch = ticks.count();
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= ticksAfterSwitch + 3, kPassTimeout);
        QVERIFY(movesOf(*bus, "b").empty());

        if (moveAfterSwitch) {
            dragJoystick(joystick, QPoint(0, 0));
            QTRY_VERIFY_WITH_TIMEOUT(anyMoveOn(movesOf(*bus, "b"), 11, true), kPassTimeout);
            QVERIFY(lastOnAxis(movesOf(*bus, "b"), 10) < 0);
        }
        sendMouse(joystick, QEvent::MouseButtonRelease, centre, Qt::LeftButton, Qt::NoButton);
        QVERIFY(probe::settled(window));

        const std::vector<Move> b = movesOf(*bus, "b");
        QCOMPARE(lastOnAxis(b, 10), 0);
        QCOMPARE(lastOnAxis(b, 11), 0);
        if (moveAfterSwitch) {
            QVERIFY(anyMoveOn(b, 10, false));
            QVERIFY(anyMoveOn(b, 11, false));
        }
        // Released: no timer of the window runs any more.
        for (QTimer* t : window.findChildren<QTimer*>())
            QVERIFY2(!t->isActive(), qPrintable(t->parent()->objectName()));
    }

    // The same with an arrow key held and with the zoom handle held: the
    // release stops the axis on the camera that remains.
    void unplugOpenCameraWhileKeyOrZoomHeld_data()
    {
        QTest::addColumn<bool>("zoomSlider");
        QTest::newRow("Left key") << false;
        QTest::newRow("zoom handle") << true;
    }

    void unplugOpenCameraWhileKeyOrZoomHeld()
    {
        QFETCH(bool, zoomSlider);
        bus->plugCamera("a");
        bus->plugCamera("b");
        MainWindow window;
        window.show();
        QTimer* timer = probe::discoveryTimer(window);
        QSignalSpy passes(timer, &QTimer::timeout);
        waitForFirstPass(window, passes, 2);
        bus->clearRequests();

        QSlider* zoom = probe::child<QSlider>(&window, "slider_zoom");
        const QPoint handle = probe::sliderHandle(zoom).center();
        const int axis = zoomSlider ? 13 : 10;
        if (zoomSlider) {
            QTest::mousePress(zoom, Qt::LeftButton, Qt::NoModifier, handle);
            for (int dy = 1; dy <= 6; ++dy)
                sendMouse(zoom, QEvent::MouseMove, handle - QPoint(0, dy), Qt::NoButton, Qt::LeftButton);
            QVERIFY(zoom->value() > 45);
        } else {
            QTest::keyPress(&window, Qt::Key_Left);
        }
        QVERIFY(probe::settled(window));
        QVERIFY(anyMoveOn(movesOf(*bus, "a"), axis, true));

        bus->unplug("a");
        QTRY_COMPARE_WITH_TIMEOUT(passes.count(), 2, kPassTimeout);
        QVERIFY(probe::settled(window));
        QVERIFY(movesOf(*bus, "b").empty());

        if (zoomSlider) {
            QTest::mouseRelease(zoom, Qt::LeftButton, Qt::NoModifier, handle - QPoint(0, 6));
            QCOMPARE(zoom->value(), 45);
        } else {
            QTest::keyRelease(&window, Qt::Key_Left);
        }
        QVERIFY(probe::settled(window));
        const std::vector<Move> b = movesOf(*bus, "b");
        QVERIFY(!b.empty());
        QCOMPARE(lastOnAxis(b, axis), 0);
        QVERIFY(!anyMoveOn(b, axis, true));
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(HotplugStormsTest)
#include "test_hotplug_storms.moc"
