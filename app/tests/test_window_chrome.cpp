// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The window's own chrome on a real MainWindow: dragging, edge docking, the
// notification area, stay-on-top and close.
#include <QtTest>

#include <QDesktopWidget>
#include <QImageReader>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "support/SimulatedBus.h"
#include "support/WindowProbe.h"

namespace {

const QString kInitialTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/top.png);border:none;background:transparent;}");
const QString kTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/top.png);background-attachment;border:none;}");
const QString kNoTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/no_top.png);background-attachment;border:none;}");

constexpr int kW = 653;
constexpr int kH = 436;

// Anything that would betray a hidden or re-created window.
class LifecycleCounter : public QObject {
public:
    int hides = 0;
    int surfaceChanges = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            ++hides;
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::PlatformSurface)
            ++surfaceChanges;
        return false;
    }
};

void sendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, local, target->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void sendCrossing(QWidget* target, QEvent::Type type)
{
    QEvent event(type);
    QApplication::sendEvent(target, &event);
}

QSystemTrayIcon* trayOf(MainWindow& w)
{
    auto* tray = w.findChild<QSystemTrayIcon*>();
    if (!tray)
        qFatal("the window has no tray icon");
    return tray;
}

bool staysOnTop(QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

}  // namespace

class TestWindowChrome : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dragFollowsTheLeftButtonOnly();
    void dockingMovesFromTheCapturedGeometry_data();
    void dockingMovesFromTheCapturedGeometry();
    void minimiseLeavesAWayBackAndOnlyDoubleClickRestores();
    void stayOnTopToggleSwapsFaceFlagsAndDialogs();
    void closeHidesTheTrayAndEndsTheLoopWithZero();
    void shapeFollowsThePaintedPanels_data();
    void shapeFollowsThePaintedPanels();
    void trayMenuShowsHidesTogglesAndQuits();
    void programIconIsTheIconFilesSmallImages();

private:
    SimulatedBus bus;
    std::unique_ptr<MainWindow> window;
    QWidget* background = nullptr;  // the control face, where a drag starts
};

void TestWindowChrome::initTestCase()
{
    // One camera, so that the discovery pass opens it and shows no dialog.
    bus.plugCamera(QStringLiteral("a"));
}

void TestWindowChrome::init()
{
    probe::resetAppState();
    window = std::make_unique<MainWindow>();
    window->move(100, 100);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_COMPARE_WITH_TIMEOUT(g_cameraOpen, 1, 20000);
    background = probe::child<QWidget>(window.get(), "Win_Left");
}

void TestWindowChrome::cleanup()
{
    window.reset();
    probe::deleteDialogs();
}

void TestWindowChrome::dragFollowsTheLeftButtonOnly()
{
    MainWindow& w = *window;
    const QPoint grab(20, 20);  // the wordmark corner: no control there
    QCOMPARE(background->childAt(grab), nullptr);
    QCOMPARE(w.pos(), QPoint(100, 100));

    // Right button: no drag, though the anchor still follows the window.
    g_noDeviceAnchor = QPoint(-1, -1);
    sendMouse(background, QEvent::MouseButtonPress, grab, Qt::RightButton, Qt::RightButton);
    sendMouse(background, QEvent::MouseMove, grab + QPoint(40, 30), Qt::NoButton, Qt::RightButton);
    QCOMPARE(w.pos(), QPoint(100, 100));
    QCOMPARE(g_noDeviceAnchor, QPoint(100, 100));
    sendMouse(background, QEvent::MouseButtonRelease, grab + QPoint(40, 30), Qt::RightButton, Qt::NoButton);

    // Left button: each step moves by the pointer's movement since the last,
    // so the grab point stays under the pointer; nothing stops it off-screen.
    sendMouse(background, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    QPoint pointer = w.mapToGlobal(background->mapTo(&w, grab));
    const QList<QPoint> steps{{30, 20}, {-50, 5}, {-400, -300}};
    for (const QPoint& step : steps) {
        const QPoint expected = w.pos() + step;
        pointer += step;
        QMouseEvent move(QEvent::MouseMove, background->mapFromGlobal(pointer), pointer, Qt::NoButton, Qt::LeftButton,
            Qt::NoModifier);
        QApplication::sendEvent(background, &move);
        QCOMPARE(w.pos(), expected);
        QCOMPARE(g_noDeviceAnchor, expected);
        QCOMPARE(w.mapToGlobal(background->mapTo(&w, grab)), pointer);
    }
    const QPoint dropped = w.pos();
    QCOMPARE(dropped, QPoint(-320, -175));

    // Held buttons without the left one do not drag, even mid-drag.
    sendMouse(background, QEvent::MouseMove, grab + QPoint(15, 15), Qt::NoButton, Qt::RightButton);
    QCOMPARE(w.pos(), dropped);

    // After the left release a move with the left button held does nothing.
    g_noDeviceAnchor = QPoint();
    sendMouse(background, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(g_noDeviceAnchor, dropped);
    sendMouse(background, QEvent::MouseMove, grab + QPoint(25, 25), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(w.pos(), dropped);

    // A right release does not end a left drag.
    sendMouse(background, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    sendMouse(background, QEvent::MouseButtonRelease, grab, Qt::RightButton, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, grab, pointer + QPoint(7, 9), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(background, &move);
    QCOMPARE(w.pos(), dropped + QPoint(7, 9));
    sendMouse(background, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);

    // A window manager that answers moves late (KWin under load) reports an
    // earlier position between two steps: the next step still puts the grab
    // point under the pointer instead of adding to the old place.
    const QPoint held = w.pos();
    sendMouse(background, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    const QPoint start = w.mapToGlobal(background->mapTo(&w, grab));
    for (const QPoint& step : {QPoint(15, 10), QPoint(30, 20)}) {
        QMouseEvent late(QEvent::MouseMove, background->mapFromGlobal(start + step), start + step, Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(background, &late);
        QCOMPARE(w.pos(), held + step);
        w.move(held);  // the report of where the window was before the step
    }
}

void TestWindowChrome::dockingMovesFromTheCapturedGeometry_data()
{
    QTest::addColumn<bool>("paneShown");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<bool>("leaveFirst");
    QTest::addColumn<QPoint>("afterFirst");
    QTest::addColumn<QPoint>("afterSecond");

    // Offsets from the right are filled in against the desktop width.
    QTest::newRow("inside stays put") << false << QPoint(100, 100) << true << QPoint(100, 100) << QPoint(100, 100);
    QTest::newRow("top") << false << QPoint(100, -1) << true << QPoint(100, 10 - kH) << QPoint(100, -10);
    QTest::newRow("left, pane hidden") << false << QPoint(-1, 60) << true << QPoint(-317, 60) << QPoint(-10, 60);
    QTest::newRow("left, pane shown") << true << QPoint(-1, 60) << true << QPoint(10 - kW, 60) << QPoint(-10, 60);
    // Marked with x >= 10000: D - (x - 10000).
    QTest::newRow("right, pane hidden") << false << QPoint(10000 + 326, 40) << true << QPoint(10000 + 10, 40)
                                        << QPoint(10000 + 326, 40);
    QTest::newRow("right, pane shown") << true << QPoint(10000 + kW, 40) << true << QPoint(10000 + 10, 40)
                                       << QPoint(10000 + kW, 40);
    // The window's last column 9 pixels short of the edge already docks.
    QTest::newRow("9 pixels from the right")
        << true << QPoint(10000 + kW + 8, 40) << true << QPoint(10000 + 10, 40) << QPoint(10000 + kW, 40);
    // Top-left corner: the later rule wins with the captured height.
    QTest::newRow("corner, enter") << true << QPoint(10 - kW, 10 - kH) << false << QPoint(-10, 10 - kH)
                                   << QPoint(10 - kW, 10 - kH);
    QTest::newRow("corner, leave") << true << QPoint(-10, -10) << true << QPoint(10 - kW, -10) << QPoint(-10, -10);
}

void TestWindowChrome::dockingMovesFromTheCapturedGeometry()
{
    QFETCH(bool, paneShown);
    QFETCH(QPoint, start);
    QFETCH(bool, leaveFirst);
    QFETCH(QPoint, afterFirst);
    QFETCH(QPoint, afterSecond);

    const int desktop = QApplication::desktop()->width();
    QVERIFY(desktop > kW);
    const auto resolve = [desktop](QPoint p) { return p.x() >= 10000 ? QPoint(desktop - (p.x() - 10000), p.y()) : p; };

    MainWindow& w = *window;
    g_settingsShown = paneShown ? 1 : 0;
    w.move(resolve(start));
    QCOMPARE(w.pos(), resolve(start));

    sendCrossing(&w, leaveFirst ? QEvent::Leave : QEvent::Enter);
    QCOMPARE(w.pos(), resolve(afterFirst));
    sendCrossing(&w, leaveFirst ? QEvent::Enter : QEvent::Leave);
    QCOMPARE(w.pos(), resolve(afterSecond));
}

void TestWindowChrome::minimiseLeavesAWayBackAndOnlyDoubleClickRestores()
{
    MainWindow& w = *window;
    QSystemTrayIcon* tray = trayOf(w);
    QVERIFY(tray->isVisible());  // from start-up
    QVERIFY(!tray->icon().isNull());

    // This desktop has no notification area: hiding would strand the window.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    QTest::mouseClick(probe::button(&w, "btn_min"), Qt::LeftButton);
    QVERIFY(w.isMinimized());
    QVERIFY(w.isVisible());

    for (auto reason :
        {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
        emit tray->activated(reason);
        QVERIFY2(w.isMinimized(), qPrintable(QStringLiteral("restored by reason %1").arg(int(reason))));
    }
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!w.isMinimized());
    QVERIFY(w.isVisible());

    // Minimising again works the same way.
    QTest::mouseClick(probe::button(&w, "btn_min"), Qt::LeftButton);
    QVERIFY(w.isMinimized());
    emit tray->activated(QSystemTrayIcon::Trigger);
    QVERIFY(w.isMinimized());
    emit tray->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!w.isMinimized());
}

void TestWindowChrome::stayOnTopToggleSwapsFaceFlagsAndDialogs()
{
    MainWindow& w = *window;
    QPushButton* top = probe::button(&w, "btn_top");
    QCOMPARE(top->styleSheet(), kInitialTopFace);
    QCOMPARE(w.windowFlags(), Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Window);
    QCOMPARE(g_noDeviceOnTop, 1);
    QCOMPARE(g_noCameraOnTop, 1);

    auto olderDialog = std::make_unique<NO_Device>(nullptr);
    QVERIFY(staysOnTop(olderDialog.get()));

    LifecycleCounter counter;
    w.installEventFilter(&counter);
    QWindow* const handle = w.windowHandle();
    const WId native = w.winId();
    const QPoint where = w.pos();

    // First click: out of the band.
    QTest::mouseClick(top, Qt::LeftButton);
    QCOMPARE(top->styleSheet(), kNoTopFace);
    QVERIFY(!staysOnTop(&w));
    QVERIFY(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(w.windowHandle()->flags(), w.windowFlags());
    QCOMPARE(g_noDeviceOnTop, 0);
    QCOMPARE(g_noCameraOnTop, 0);
    {
        NO_Device device(nullptr);
        NO_Mord_Camera camera(nullptr);
        QVERIFY(!staysOnTop(&device));
        QVERIFY(!staysOnTop(&camera));
    }
    QVERIFY(staysOnTop(olderDialog.get()));  // made before: keeps its choice

    // Second click: back in the band.
    QTest::mouseClick(top, Qt::LeftButton);
    QCOMPARE(top->styleSheet(), kTopFace);
    QVERIFY(staysOnTop(&w));
    QCOMPARE(w.windowHandle()->flags(), w.windowFlags());
    QCOMPARE(g_noDeviceOnTop, 1);
    QCOMPARE(g_noCameraOnTop, 1);
    {
        NO_Device device(nullptr);
        NO_Mord_Camera camera(nullptr);
        QVERIFY(staysOnTop(&device));
        QVERIFY(staysOnTop(&camera));
    }

    // The shown window was neither hidden, re-created nor moved.
    QCOMPARE(counter.hides, 0);
    QCOMPARE(counter.surfaceChanges, 0);
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowHandle(), handle);
    QCOMPARE(w.winId(), native);
    QCOMPARE(w.pos(), where);
}

// The window's shape is what is painted: the rounded control face, and the
// rounded pane only while it is shown; never the corners outside the curves.
void TestWindowChrome::shapeFollowsThePaintedPanels_data()
{
    QTest::addColumn<bool>("paneShown");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("inside");
    for (const bool pane : {false, true}) {
        const char* tag = pane ? "pane shown" : "pane hidden";
        QTest::addRow("%s: face middle", tag) << pane << QPoint(163, 218) << true;
        QTest::addRow("%s: face edge, mid-height", tag) << pane << QPoint(0, 218) << true;
        QTest::addRow("%s: face top-left corner, outside the curve", tag) << pane << QPoint(2, 2) << false;
        QTest::addRow("%s: face bottom-right corner, outside the curve", tag) << pane << QPoint(323, 433) << false;
        QTest::addRow("%s: just inside the face's curve", tag) << pane << QPoint(12, 12) << true;
        QTest::addRow("%s: pane middle", tag) << pane << QPoint(490, 218) << pane;
        QTest::addRow("%s: pane right edge", tag) << pane << QPoint(652, 218) << pane;
        QTest::addRow("%s: pane top-right corner", tag) << pane << QPoint(650, 2) << false;
    }
}

void TestWindowChrome::shapeFollowsThePaintedPanels()
{
    QFETCH(bool, paneShown);
    QFETCH(QPoint, point);
    QFETCH(bool, inside);
    MainWindow& w = *window;
    if (paneShown) {
        QTest::mouseClick(probe::button(&w, "btn_setting"), Qt::LeftButton);
        QTRY_VERIFY(probe::child<QWidget>(&w, "Win_Right")->isVisible());
    }
    QCOMPARE(w.mask().contains(point), inside);
    // And back: hiding the pane gives its half back to the desktop.
    if (paneShown) {
        QTest::mouseClick(probe::button(&w, "btn_setting"), Qt::LeftButton);
        QTRY_VERIFY(!probe::child<QWidget>(&w, "Win_Right")->isVisible());
        QVERIFY(!w.mask().contains(QPoint(490, 218)));
    }
}

// What every tray icon offers: the program's name, show or hide, stay on
// top (the same toggle as the window's button, face and all) and quit.
void TestWindowChrome::trayMenuShowsHidesTogglesAndQuits()
{
    MainWindow& w = *window;
    QSystemTrayIcon* tray = trayOf(w);
    QCOMPARE(tray->toolTip(), QStringLiteral("ptzdeck"));
    QMenu* menu = tray->contextMenu();
    QVERIFY(menu);
    const auto item = [menu](const QString& text) -> QAction* {
        for (QAction* a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    };
    emit menu->aboutToShow();
    QVERIFY(item("Hide") && item("Stay on top") && item("Quit"));
    QVERIFY(item("Stay on top")->isChecked());

    item("Stay on top")->trigger();
    QCOMPARE(probe::button(&w, "btn_top")->styleSheet(), kNoTopFace);
    QVERIFY(!staysOnTop(&w));
    emit menu->aboutToShow();
    QVERIFY(!item("Stay on top")->isChecked());
    item("Stay on top")->trigger();
    QVERIFY(staysOnTop(&w));

    // No notification area here: hiding minimises, and Show brings it back.
    item("Hide")->trigger();
    QVERIFY(w.isMinimized());
    QVERIFY(item("Show"));
    item("Show")->trigger();
    QVERIFY(!w.isMinimized());
    QVERIFY(w.isVisible());
    QVERIFY(item("Hide"));

    QTimer quit;
    quit.setSingleShot(true);
    connect(&quit, &QTimer::timeout, &w, [&] { item("Quit")->trigger(); });
    quit.start(0);
    QTimer failsafe;  // only if Quit failed to end the loop
    failsafe.setSingleShot(true);
    connect(&failsafe, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    failsafe.start(60000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!tray->isVisible());
}

void TestWindowChrome::closeHidesTheTrayAndEndsTheLoopWithZero()
{
    MainWindow& w = *window;
    QSystemTrayIcon* tray = trayOf(w);
    QVERIFY(tray->isVisible());

    QTimer click;
    click.setSingleShot(true);
    connect(&click, &QTimer::timeout, &w, [&] { QTest::mouseClick(probe::button(&w, "btn_close"), Qt::LeftButton); });
    click.start(0);
    // Only if the close button failed to end the loop.
    QTimer failsafe;
    failsafe.setSingleShot(true);
    connect(&failsafe, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    failsafe.start(60000);

    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(failsafe.isActive());
    QVERIFY(!tray->isVisible());
}

QTEST_MAIN(TestWindowChrome)
// The window and tray icon: every image of the icon file up to 48 pixels, as
// Qt's own ICO reader decodes it, pixel for pixel; the 256-pixel one is left out.
void TestWindowChrome::programIconIsTheIconFilesSmallImages()
{
    const QIcon icon = QApplication::windowIcon();
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {24, 24}, {32, 32}, {48, 48}}));
    QCOMPARE(trayOf(*window)->icon().cacheKey(), icon.cacheKey());
    QImageReader reader(QStringLiteral(":/img/min_img.ico"), "ico");
    int compared = 0;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage expected = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!expected.isNull(), qPrintable(reader.errorString()));
        if (expected.width() > 48)
            continue;
        const QImage shown = icon.pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), expected.size());
        QVERIFY2(shown == expected, qPrintable(QStringLiteral("the %1-pixel image differs").arg(expected.width())));
        ++compared;
    }
    QCOMPARE(compared, 4);
}

#include "test_window_chrome.moc"
