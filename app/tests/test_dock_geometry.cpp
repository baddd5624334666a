// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Edge docking arithmetic over every edge, both pane states and the corners.
#include <QtTest>

#include <climits>

#include "window/DockGeometry.h"

using ptzdeck::dockedPosition;
using ptzdeck::DockEvent;

Q_DECLARE_METATYPE(DockEvent)

namespace {
constexpr int kW = 653;
constexpr int kH = 436;
constexpr int kDesk = 1280;
const QPoint kStays(INT_MIN, INT_MIN);  // marks "no move" in the table
}  // namespace

class TestDockGeometry : public QObject {
    Q_OBJECT

private slots:
    void docking_data();
    void docking();
};

void TestDockGeometry::docking_data()
{
    QTest::addColumn<DockEvent>("event");
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<int>("desktopWidth");
    QTest::addColumn<bool>("paneShown");
    QTest::addColumn<QPoint>("expected");

    const auto E = DockEvent::Enter;
    const auto L = DockEvent::Leave;

    // Nowhere near an edge, and touching the top-left corner exactly.
    QTest::newRow("enter inside, pane shown") << E << QPoint(100, 100) << kDesk << true << kStays;
    QTest::newRow("leave inside, pane hidden") << L << QPoint(100, 100) << kDesk << false << kStays;
    QTest::newRow("leave at origin") << L << QPoint(0, 0) << kDesk << true << kStays;

    // Top edge: hides all but a 10-pixel strip, comes back to y -10.
    QTest::newRow("leave top, pane shown") << L << QPoint(200, -1) << kDesk << true << QPoint(200, 10 - kH);
    QTest::newRow("leave top, pane hidden") << L << QPoint(200, -10) << kDesk << false << QPoint(200, -426);
    QTest::newRow("enter top, pane shown") << E << QPoint(200, -426) << kDesk << true << QPoint(200, -10);
    QTest::newRow("enter top, pane hidden") << E << QPoint(200, -426) << kDesk << false << QPoint(200, -10);

    // Left edge: the hidden position depends on how much of the window is painted.
    QTest::newRow("leave left, pane shown") << L << QPoint(-10, 150) << kDesk << true << QPoint(-643, 150);
    QTest::newRow("leave left, pane hidden") << L << QPoint(-10, 150) << kDesk << false << QPoint(-317, 150);
    QTest::newRow("enter left, pane shown") << E << QPoint(-643, 150) << kDesk << true << QPoint(-10, 150);
    QTest::newRow("enter left, pane hidden") << E << QPoint(-317, 150) << kDesk << false << QPoint(-10, 150);

    // Right edge: hides to D - 10, comes back flush with the painted part.
    QTest::newRow("leave right, pane shown") << L << QPoint(kDesk - kW, 150) << kDesk << true << QPoint(1270, 150);
    QTest::newRow("leave right, pane hidden") << L << QPoint(kDesk - 326, 150) << kDesk << false << QPoint(1270, 150);
    QTest::newRow("enter right, pane shown") << E << QPoint(1270, 150) << kDesk << true << QPoint(627, 150);
    QTest::newRow("enter right, pane hidden") << E << QPoint(1270, 150) << kDesk << false << QPoint(954, 150);

    // Within 9 pixels of the right edge docks; 10 pixels away does not.
    QTest::newRow("leave 9px from right") << L << QPoint(619, 80) << kDesk << true << QPoint(1270, 80);
    QTest::newRow("leave 10px from right") << L << QPoint(618, 80) << kDesk << true << kStays;
    QTest::newRow("enter 9px from right") << E << QPoint(619, 80) << kDesk << true << QPoint(627, 80);
    QTest::newRow("enter 10px from right") << E << QPoint(618, 80) << kDesk << true << kStays;
    QTest::newRow("leave face 9px from right") << L << QPoint(946, 80) << kDesk << false << QPoint(1270, 80);
    QTest::newRow("leave face 10px from right") << L << QPoint(945, 80) << kDesk << false << kStays;

    // The pane toggled while docked right: the other rule applies next time.
    QTest::newRow("enter right, pane opened while docked")
        << E << QPoint(954, 150) << kDesk << true << QPoint(627, 150);
    QTest::newRow("leave right, pane closed while out") << L << QPoint(627, 150) << kDesk << false << kStays;

    // Top and left both off-screen: every rule works from the captured
    // geometry, so the later rule wins and keeps the captured height.
    QTest::newRow("enter top-left corner") << E << QPoint(-643, -426) << kDesk << true << QPoint(-10, -426);
    QTest::newRow("leave top-left corner, pane shown") << L << QPoint(-10, -10) << kDesk << true << QPoint(-643, -10);
    QTest::newRow("leave top-left corner, pane hidden") << L << QPoint(-10, -10) << kDesk << false << QPoint(-317, -10);
    QTest::newRow("leave top-right corner") << L << QPoint(627, -10) << kDesk << true << QPoint(1270, -10);

    // Two 1280-wide screens side by side: only the far edge of the whole
    // desktop docks; the seam between the screens does not.
    QTest::newRow("leave across the screen seam") << L << QPoint(1000, 100) << 2560 << true << kStays;
    QTest::newRow("leave right of the virtual desktop") << L << QPoint(1907, 100) << 2560 << true << QPoint(2550, 100);
    QTest::newRow("enter right of the virtual desktop") << E << QPoint(2550, 100) << 2560 << false << QPoint(2234, 100);
}

void TestDockGeometry::docking()
{
    QFETCH(DockEvent, event);
    QFETCH(QPoint, topLeft);
    QFETCH(int, desktopWidth);
    QFETCH(bool, paneShown);
    QFETCH(QPoint, expected);

    const std::optional<QPoint> got = dockedPosition(event, QRect(topLeft, QSize(kW, kH)), desktopWidth, paneShown);
    if (expected == kStays) {
        QVERIFY2(!got, got ? qPrintable(QStringLiteral("moved to %1,%2").arg(got->x()).arg(got->y())) : "");
    } else {
        QVERIFY(got.has_value());
        QCOMPARE(*got, expected);
    }
}

QTEST_APPLESS_MAIN(TestDockGeometry)
#include "test_dock_geometry.moc"
