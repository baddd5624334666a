// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The joystick, driven by real mouse events through its window: places and
// speeds at the rim and beyond, tick order, release handling and repaints.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <memory>

#include "widgets/RockerHandle.h"

namespace {

// Where the form puts the joystick, and its size there.
const QPoint kOrigin(141, 152);
constexpr int kSide = 116;
constexpr int kCentre = 58;
constexpr int kWaitMs = 5000;

struct Report {
    int place;
    int pan;
    int tilt;
};

// A host window with room around the joystick, so drags can leave its edge
// and still be delivered through the window system path.
class Rig {
public:
    Rig()
        : stick(new RockerHandle(&host)),
          places(stick, &RockerHandle::keyNumchanged),
          pans(stick, &RockerHandle::Speed_Pan),
          tilts(stick, &RockerHandle::Speed_Tilt)
    {
        host.resize(420, 420);
        stick->setGeometry(QRect(kOrigin, QSize(kSide, kSide)));
        QObject::connect(stick, &RockerHandle::keyNumchanged, [this](int) { order += 'K'; });
        QObject::connect(stick, &RockerHandle::Speed_Pan, [this](int) { order += 'P'; });
        QObject::connect(stick, &RockerHandle::Speed_Tilt, [this](int) { order += 'T'; });
        host.show();
    }

    bool exposed() { return QTest::qWaitForWindowExposed(&host); }
    QWindow* window() { return host.windowHandle(); }
    // Joystick coordinates relative to its centre, as window coordinates.
    static QPoint at(int dx, int dy) { return kOrigin + QPoint(kCentre + dx, kCentre + dy); }

    void press(int dx, int dy, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(window(), button, Qt::NoModifier, at(dx, dy));
    }
    void release(int dx, int dy, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(window(), button, Qt::NoModifier, at(dx, dy));
    }
    void move(int dx, int dy) { QTest::mouseMove(window(), at(dx, dy)); }

    // Two moves that put the knob in the same spot: whatever the shared repaint
    // toggle was, one of them asks for a repaint.
    void dragThrough(QPoint first, QPoint second)
    {
        move(first.x(), first.y());
        move(second.x(), second.y());
    }

    // Waits for n more complete ticks (tilt is the last signal of a tick).
    bool waitTicks(int n)
    {
        const int target = tilts.count() + n;
        return QTest::qWaitFor([&] { return tilts.count() >= target; }, kWaitMs);
    }

    Report last() const { return {places.last().at(0).toInt(), pans.last().at(0).toInt(), tilts.last().at(0).toInt()}; }

    bool timersIdle() const
    {
        const auto timers = stick->findChildren<QTimer*>();
        for (const QTimer* t : timers) {
            if (t->isActive())
                return false;
        }
        return timers.size() == 2;
    }

    // In the widget's own coordinates, whatever the device-pixel ratio.
    QImage picture()
    {
        return stick->grab()
            .toImage()
            .convertToFormat(QImage::Format_ARGB32)
            .scaled(stick->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }

    QWidget host;
    RockerHandle* stick;
    QSignalSpy places;
    QSignalSpy pans;
    QSignalSpy tilts;
    QString order;
};

bool isKnobGrey(QRgb pixel)
{
    return qAlpha(pixel) == 255 && qRed(pixel) == 100 && qGreen(pixel) == 100 && qBlue(pixel) == 100;
}

double firstScreenDpi() { return QGuiApplication::screens().first()->logicalDotsPerInch(); }

}  // namespace

class TestRockerHandle : public QObject {
    Q_OBJECT

private slots:
    void construction();
    void rimPlaces_data();
    void rimPlaces();
    void pressAndReleaseInCentre();
    void pressAloneEmitsNothing();
    void placeBeforeSpeedsEveryTick();
    void releaseOfAnyButtonStops();
    void repaintOnEverySecondMove();
    void knobIsPaintedWhereReported();
    void unpaintedOrTinyJoystick();
    void scaledJoystick();
};

void TestRockerHandle::construction()
{
    QCOMPARE(firstScreenDpi(), 96.0);
    RockerHandle stick(nullptr);
    QCOMPARE(stick.size(), QSize(100, 100));
    QVERIFY(stick.autoFillBackground());
    QVERIFY(stick.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!stick.hasMouseTracking());
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QBrush brush = stick.palette().brush(group, QPalette::Window);
        QCOMPARE(brush.style(), Qt::SolidPattern);
        QCOMPARE(brush.color(), QColor(0, 255, 0, 0));
    }
    // Nothing runs while the joystick is idle.
    const auto timers = stick.findChildren<QTimer*>();
    QCOMPARE(timers.size(), 2);
    for (const QTimer* t : timers)
        QVERIFY(!t->isActive());
}

void TestRockerHandle::rimPlaces_data()
{
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<int>("place");
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("tilt");

    QTest::newRow("right rim") << QPoint(50, 0) << QPoint(55, 0) << 5 << 7 << 0;
    QTest::newRow("45 deg up-right") << QPoint(40, -40) << QPoint(50, -50) << 2 << 5 << 5;
    QTest::newRow("straight up") << QPoint(0, -50) << QPoint(0, -55) << 1 << 0 << 7;
    QTest::newRow("straight down") << QPoint(0, 50) << QPoint(0, 55) << 7 << 0 << 7;
    QTest::newRow("left rim") << QPoint(-50, 0) << QPoint(-55, 0) << 3 << 7 << 0;
    QTest::newRow("up-left") << QPoint(-40, -40) << QPoint(-50, -50) << 0 << 5 << 5;
    QTest::newRow("down-left") << QPoint(-40, 40) << QPoint(-50, 50) << 6 << 5 << 5;
    QTest::newRow("down-right") << QPoint(40, 40) << QPoint(50, 50) << 8 << 5 << 5;
    // Past the widget's edge the knob keeps to its circle in the pointer's direction.
    QTest::newRow("far right, outside") << QPoint(150, 0) << QPoint(160, 0) << 5 << 7 << 0;
    QTest::newRow("far up-left, outside") << QPoint(-110, -110) << QPoint(-120, -120) << 0 << 5 << 5;
    // Within the travel radius (36) the knob stays centred; on it too.
    QTest::newRow("inside travel circle") << QPoint(30, 0) << QPoint(36, 0) << 4 << 0 << 0;
    QTest::newRow("just past travel circle") << QPoint(37, 0) << QPoint(40, 0) << 5 << 7 << 0;
    // Knob at y 38 = lower bound: already the top row (inclusive); y 39 is not.
    QTest::newRow("knob on upper bound") << QPoint(44, -28) << QPoint(44, -29) << 2 << 6 << 4;
    QTest::newRow("knob just below it") << QPoint(44, -27) << QPoint(44, -26) << 5 << 6 << 3;
    // Knob at x 78 = upper bound: already the right column; x 77 is not.
    QTest::newRow("knob on right bound") << QPoint(30, -43) << QPoint(30, -42) << 2 << 4 << 6;
    QTest::newRow("knob left of it") << QPoint(30, -47) << QPoint(30, -48) << 1 << 3 << 6;
}

void TestRockerHandle::rimPlaces()
{
    QFETCH(QPoint, first);
    QFETCH(QPoint, second);
    QFETCH(int, place);
    QFETCH(int, pan);
    QFETCH(int, tilt);

    Rig rig;
    QVERIFY(rig.exposed());
    rig.press(0, 0);
    rig.dragThrough(first, second);
    // Two full ticks after the moves: the repaint they asked for has happened.
    QVERIFY(rig.waitTicks(2));
    const Report r = rig.last();
    QCOMPARE(r.place, place);
    QCOMPARE(r.pan, pan);
    QCOMPARE(r.tilt, tilt);

    // Signals repeat with unchanged values while the knob rests.
    const int before = rig.places.count();
    QVERIFY(rig.waitTicks(1));
    QCOMPARE(rig.places.count(), before + 1);
    QCOMPARE(rig.last().place, place);

    rig.release(second.x(), second.y());
    QCOMPARE(rig.places.last().at(0).toInt(), 4);
    QVERIFY(rig.timersIdle());
}

void TestRockerHandle::pressAndReleaseInCentre()
{
    Rig rig;
    QVERIFY(rig.exposed());
    rig.press(0, 0);
    QVERIFY(rig.waitTicks(3));
    for (const auto& args : rig.places)
        QCOMPARE(args.at(0).toInt(), 4);
    for (const auto& args : rig.pans)
        QCOMPARE(args.at(0).toInt(), 0);
    for (const auto& args : rig.tilts)
        QCOMPARE(args.at(0).toInt(), 0);

    const int places = rig.places.count();
    const int pans = rig.pans.count();
    const int tilts = rig.tilts.count();
    rig.release(0, 0);
    // The release reports the centre once, and no speeds.
    QCOMPARE(rig.places.count(), places + 1);
    QCOMPARE(rig.places.last().at(0).toInt(), 4);
    QCOMPARE(rig.pans.count(), pans);
    QCOMPARE(rig.tilts.count(), tilts);
    QVERIFY(rig.timersIdle());
}

void TestRockerHandle::pressAloneEmitsNothing()
{
    Rig rig;
    QVERIFY(rig.exposed());
    QElapsedTimer clock;
    clock.start();
    rig.press(50, 0);
    QCOMPARE(rig.places.count(), 0);
    QCOMPARE(rig.pans.count(), 0);
    QCOMPARE(rig.tilts.count(), 0);

    // The first report comes with the first tick, about 100 ms later (coarse
    // timers may fire up to 5 % early).
    QVERIFY(rig.places.wait(kWaitMs));
    QVERIFY2(clock.elapsed() >= 90, qPrintable(QString::number(clock.elapsed())));
    rig.release(50, 0);
}

void TestRockerHandle::placeBeforeSpeedsEveryTick()
{
    Rig rig;
    QVERIFY(rig.exposed());
    rig.press(-50, 0);
    QVERIFY(rig.waitTicks(3));
    QVERIFY2(rig.order.startsWith(QStringLiteral("KPTKPTKPT")), qPrintable(rig.order));
    rig.release(-50, 0);
    QVERIFY(rig.order.endsWith(QLatin1Char('K')));
}

void TestRockerHandle::releaseOfAnyButtonStops()
{
    Rig rig;
    QVERIFY(rig.exposed());
    // Any button starts the joystick.
    rig.press(0, -50, Qt::RightButton);
    QVERIFY(rig.waitTicks(2));
    QCOMPARE(rig.last().place, 1);

    // A second button joins; releasing it stops everything although the
    // first one is still held.
    rig.press(0, -50, Qt::LeftButton);
    QVERIFY(!rig.timersIdle());
    const int places = rig.places.count();
    const int tilts = rig.tilts.count();
    rig.release(0, -50, Qt::LeftButton);
    QCOMPARE(rig.places.count(), places + 1);
    QCOMPARE(rig.places.last().at(0).toInt(), 4);
    QCOMPARE(rig.tilts.count(), tilts);
    QVERIFY(rig.timersIdle());

    // Still-held right button: moves arrive but start nothing.
    rig.move(50, 0);
    rig.move(55, 0);
    QVERIFY(rig.timersIdle());
    // Those moves moved the pointer, but a paint while released shows the knob centred.
    const QImage picture = rig.picture();
    QVERIFY(isKnobGrey(picture.pixel(kCentre, kCentre)));
    QCOMPARE(qAlpha(picture.pixel(94 + 20, kCentre)), 0);

    // Its own release reports the centre once more.
    rig.release(55, 0, Qt::RightButton);
    QCOMPARE(rig.places.count(), places + 2);
    QCOMPARE(rig.places.last().at(0).toInt(), 4);
    QVERIFY(rig.timersIdle());
}

void TestRockerHandle::repaintOnEverySecondMove()
{
    Rig rig;
    QVERIFY(rig.exposed());
    rig.press(0, 0);
    QVERIFY(rig.waitTicks(2));
    QCOMPARE(rig.last().place, 4);

    // Each move goes to a different cell; the knob (read by the ticks) only
    // follows when a move asked for a repaint. The toggle is shared and lives
    // as long as the program, so either phase is possible, but the moves must
    // alternate.
    QVector<int> seen;
    const QPoint moves[] = {{50, 0}, {-50, 0}, {0, -50}, {0, 50}};
    for (const QPoint& m : moves) {
        rig.move(m.x(), m.y());
        QVERIFY(rig.waitTicks(2));
        seen << rig.last().place;
    }
    const QVector<int> repaintOnEven{4, 3, 3, 7};
    const QVector<int> repaintOnOdd{5, 5, 1, 1};
    QVERIFY2(seen == repaintOnEven || seen == repaintOnOdd,
        qPrintable(QStringLiteral("%1 %2 %3 %4").arg(seen[0]).arg(seen[1]).arg(seen[2]).arg(seen[3])));

    // Press and release do not reset the toggle: the next move keeps alternating.
    rig.release(0, 50);
    rig.press(0, 0);
    QVERIFY(rig.waitTicks(2));
    QCOMPARE(rig.last().place, 4);
    rig.move(50, 0);
    QVERIFY(rig.waitTicks(2));
    QCOMPARE(rig.last().place, seen == repaintOnEven ? 4 : 5);
    rig.release(50, 0);
}

void TestRockerHandle::knobIsPaintedWhereReported()
{
    Rig rig;
    QVERIFY(rig.exposed());

    QImage idle = rig.picture();
    QVERIFY(isKnobGrey(idle.pixel(kCentre, kCentre)));
    QCOMPARE(qAlpha(idle.pixel(2, 2)), 0);                   // the widget itself is transparent
    QCOMPARE(qAlpha(idle.pixel(kCentre + 25, kCentre)), 0);  // knob radius is 22

    rig.press(0, 0);
    rig.dragThrough({50, 0}, {55, 0});
    QVERIFY(rig.waitTicks(2));
    QCOMPARE(rig.last().place, 5);
    QImage right = rig.picture();
    QVERIFY(isKnobGrey(right.pixel(94, kCentre)));
    QVERIFY(isKnobGrey(right.pixel(94 + 20, kCentre)));
    QCOMPARE(qAlpha(right.pixel(kCentre, kCentre)), 0);

    // After release every paint shows the knob centred again.
    rig.release(55, 0);
    QImage back = rig.picture();
    QVERIFY(isKnobGrey(back.pixel(kCentre, kCentre)));
    QCOMPARE(qAlpha(back.pixel(94 + 20, kCentre)), 0);
}

void TestRockerHandle::unpaintedOrTinyJoystick()
{
    // Never shown, so never painted: a tick still reports no movement.
    RockerHandle hidden(nullptr);
    QSignalSpy places(&hidden, &RockerHandle::keyNumchanged);
    QSignalSpy pans(&hidden, &RockerHandle::Speed_Pan);
    QSignalSpy tilts(&hidden, &RockerHandle::Speed_Tilt);
    QTest::mousePress(&hidden, Qt::LeftButton, Qt::NoModifier, QPoint(95, 50));
    QVERIFY(tilts.wait(kWaitMs));
    QCOMPARE(places.first().at(0).toInt(), 4);
    QCOMPARE(pans.first().at(0).toInt(), 0);
    QCOMPARE(tilts.first().at(0).toInt(), 0);
    QTest::mouseRelease(&hidden, Qt::LeftButton, Qt::NoModifier, QPoint(95, 50));

    // Smaller than the knob (travel radius below zero): a released paint with
    // the pointer dead centre keeps the knob in the middle.
    RockerHandle tiny(nullptr);
    tiny.resize(40, 40);
    const QImage picture = tiny.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QVERIFY(isKnobGrey(picture.pixel(20, 20)));
}

void TestRockerHandle::scaledJoystick()
{
    // Runs at every dpi and scale factor (test_rocker_handle_dpi_*). The size
    // given at construction follows the screen; the form then fixes it.
    const double dpi = firstScreenDpi();
    RockerHandle loose(nullptr);
    QCOMPARE(loose.width(), int(100 * dpi / 96.0));

    // Whatever the screen, the reports come from the knob as it is painted
    // on the form's 116 x 116: centred, it asks for no movement.
    Rig rig;
    QVERIFY(rig.exposed());
    rig.press(0, 0);
    QVERIFY(rig.waitTicks(2));
    const Report r = rig.last();
    QCOMPARE(r.place, 4);
    QCOMPARE(r.pan, 0);
    QCOMPARE(r.tilt, 0);
    rig.release(0, 0);
}

QTEST_MAIN(TestRockerHandle)
#include "test_rocker_handle.moc"
