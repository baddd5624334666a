// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The window chrome on a real X desktop (run_on_desktop.sh): the always-on-top
// band judged by the server's own stacking order, the notification area, and
// docking driven by the real pointer.
#include <QtTest>

#include <QDesktopWidget>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "desktop/StayOnTop.h"
#include "support/SimulatedBus.h"
#include "support/WindowProbe.h"

using ptzdeck::platform::SetStaysOnTop;

namespace {

// A second connection to the X server, to see what the server and the window
// manager made of our requests rather than what Qt believes.
class X11Probe {
public:
    X11Probe() : conn_(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(conn_))
            root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    }
    ~X11Probe() { xcb_disconnect(conn_); }
    X11Probe(const X11Probe&) = delete;
    X11Probe& operator=(const X11Probe&) = delete;

    bool connected() const { return !xcb_connection_has_error(conn_); }

    xcb_atom_t atom(const char* name)
    {
        auto reply =
            take(xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, uint16_t(strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    std::vector<uint32_t> property32(xcb_window_t window, const char* name)
    {
        auto reply = take(xcb_get_property_reply(
            conn_, xcb_get_property(conn_, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
        if (!reply || reply->format != 32)
            return {};
        auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return std::vector<uint32_t>(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }

    bool windowManagerRunning() { return !property32(root_, "_NET_SUPPORTING_WM_CHECK").empty(); }

    bool inAboveBand(xcb_window_t window)
    {
        const std::vector<uint32_t> states = property32(window, "_NET_WM_STATE");
        return std::find(states.begin(), states.end(), atom("_NET_WM_STATE_ABOVE")) != states.end();
    }

    bool viewable(xcb_window_t window)
    {
        auto reply = take(xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, window), nullptr));
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    QPoint rootPosition(xcb_window_t window)
    {
        auto reply = take(
            xcb_translate_coordinates_reply(conn_, xcb_translate_coordinates(conn_, window, root_, 0, 0), nullptr));
        return reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(INT_MIN, INT_MIN);
    }

    // True when `upper`'s frame lies above `lower`'s in the server's stacking
    // order (children of the root are listed bottom to top).
    bool stackedAbove(xcb_window_t upper, xcb_window_t lower)
    {
        const int u = stackIndex(upper);
        const int l = stackIndex(lower);
        return u >= 0 && l >= 0 && u > l;
    }

private:
    template <typename T>
    static std::unique_ptr<T, decltype(&std::free)> take(T* reply)
    {
        return std::unique_ptr<T, decltype(&std::free)>(reply, &std::free);
    }

    int stackIndex(xcb_window_t window)
    {
        // Window managers reparent clients into frames: climb to the root's child.
        xcb_window_t topLevel = window;
        for (;;) {
            auto tree = take(xcb_query_tree_reply(conn_, xcb_query_tree(conn_, topLevel), nullptr));
            if (!tree)
                return -1;
            if (tree->parent == root_)
                break;
            topLevel = tree->parent;
        }
        auto tree = take(xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root_), nullptr));
        if (!tree)
            return -1;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        for (int i = 0; i < count; ++i)
            if (children[i] == topLevel)
                return i;
        return -1;
    }

    xcb_connection_t* conn_;
    xcb_window_t root_ = XCB_WINDOW_NONE;
};

constexpr int kTimeout = 20000;

// Counts what would betray a hidden or re-created native window.
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

// The native window as the server knows it now. Qt re-creates it on the next
// show after an on-top change, which QWidget::winId() does not follow.
xcb_window_t xid(QWidget& w) { return xcb_window_t(w.windowHandle()->winId()); }

// The real pointer, through the XTEST extension.
void xdotool(const QStringList& args)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), args);
    QVERIFY2(tool.waitForFinished(60000), qPrintable(args.join(' ')));
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
}

QStringList pointAt(QPoint p) { return {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())}; }

// Brings a window forward as a person would, with a click at `local`, a
// point the test keeps clear of every other window. Window managers may
// refuse a client's own raise request from an unfocused window.
void clickToFront(QWidget& w, QPoint local)
{
    xdotool(pointAt(w.mapToGlobal(local)) + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(w.isActiveWindow(), kTimeout);
}

void showAndWait(QWidget& w, const QRect& geometry)
{
    w.setGeometry(geometry);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w, 30000));
}

}  // namespace

class TestWindowChromeX11 : public QObject {
    Q_OBJECT

public:
    // Before QApplication, as the program does: no GLX integration, so Qt's
    // X11 plug-in never loads Mesa, whose driver would otherwise leak under
    // LeakSanitizer from a module already unloaded when the report is made.
    static void initMain()
    {
        if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
            qputenv("QT_XCB_GL_INTEGRATION", "none");
    }

private slots:
    void initTestCase();
    void cleanup();
    void shownWindowEntersAndLeavesAboveBand();
    void createdButUnmappedWindowStartsAbove();
    void panelToggleMovesItAcrossTheBand();
    void panelHidesToTheTrayAndComesBackOnADoubleClick();
    void panelDocksAgainstEachEdgeUnderThePointer();

private:
    void openPanel(QPoint at);
    void dragPanelBy(QPoint grab, QPoint delta);

    SimulatedBus bus;
    X11Probe server;
    std::unique_ptr<MainWindow> panel;
};

void TestWindowChromeX11::openPanel(QPoint at)
{
    probe::resetAppState();
    panel = std::make_unique<MainWindow>();
    panel->move(at);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get(), 30000));
    QTRY_COMPARE_WITH_TIMEOUT(g_cameraOpen, 1, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), at, kTimeout);
}

// Drags the panel with the real pointer, grabbing the control face's
// background at `grab` (face coordinates). Each step waits for the window to
// follow, so the pointer never slips off it as a hand's would not.
void TestWindowChromeX11::dragPanelBy(QPoint grab, QPoint delta)
{
    QWidget* face = probe::child<QWidget>(panel.get(), "Win_Left");
    QCOMPARE(face->childAt(grab), nullptr);
    const QPoint from = face->mapToGlobal(grab);
    const QPoint start = panel->pos();
    xdotool(pointAt(from) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")});
    const int steps = 10;
    for (int i = 1; i <= steps; ++i) {
        const QPoint step = delta * i / steps;
        xdotool(pointAt(from + step));
        QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), start + step, kTimeout);
    }
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

void TestWindowChromeX11::initTestCase()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QVERIFY(server.connected());
    QTRY_VERIFY_WITH_TIMEOUT(server.windowManagerRunning(), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 60000);
    // One camera, so that the discovery pass opens it and shows no dialog.
    bus.plugCamera(QStringLiteral("a"));
}

void TestWindowChromeX11::cleanup()
{
    panel.reset();
    probe::deleteAll<NO_Device>();
}

void TestWindowChromeX11::shownWindowEntersAndLeavesAboveBand()
{
    QWidget panel;
    panel.setWindowFlags(Qt::FramelessWindowHint);
    SetStaysOnTop(&panel, true);
    QWidget witness;
    QWidget other;
    showAndWait(panel, QRect(100, 100, 300, 200));
    showAndWait(witness, QRect(200, 200, 300, 200));
    showAndWait(other, QRect(250, 250, 300, 200));
    QTRY_VERIFY_WITH_TIMEOUT(server.inAboveBand(xid(panel)), kTimeout);

    // `other` over the witness proves the click was carried out; the panel
    // must still be above it.
    clickToFront(other, QPoint(290, 190));
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(other), xid(witness)), kTimeout);
    QVERIFY(server.stackedAbove(xid(panel), xid(other)));

    LifecycleCounter counter;
    panel.installEventFilter(&counter);
    const WId nativeBefore = panel.winId();
    QTRY_VERIFY_WITH_TIMEOUT(server.rootPosition(xid(panel)) == QPoint(100, 100), kTimeout);

    SetStaysOnTop(&panel, false);
    QVERIFY(!panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(panel.windowHandle()->flags(), panel.windowFlags());
    QTRY_VERIFY_WITH_TIMEOUT(!server.inAboveBand(xid(panel)), kTimeout);
    clickToFront(witness, QPoint(280, 20));
    clickToFront(other, QPoint(290, 190));
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(other), xid(panel)), kTimeout);

    SetStaysOnTop(&panel, true);
    QVERIFY(panel.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(panel.windowHandle()->flags(), panel.windowFlags());
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(panel), xid(other)), kTimeout);
    QVERIFY(server.inAboveBand(xid(panel)));

    // Neither hidden, re-created nor moved on the way.
    QCOMPARE(counter.hides, 0);
    QCOMPARE(counter.surfaceChanges, 0);
    QCOMPARE(panel.winId(), nativeBefore);
    QVERIFY(panel.isVisible());
    QVERIFY(server.viewable(xid(panel)));
    QCOMPARE(server.rootPosition(xid(panel)), QPoint(100, 100));
}

void TestWindowChromeX11::createdButUnmappedWindowStartsAbove()
{
    QWidget panel;
    panel.setWindowFlags(Qt::FramelessWindowHint);
    panel.winId();  // native window exists, not mapped yet
    SetStaysOnTop(&panel, true);
    QWidget other;
    showAndWait(other, QRect(250, 250, 300, 200));
    showAndWait(panel, QRect(100, 100, 300, 200));
    QTRY_VERIFY_WITH_TIMEOUT(server.inAboveBand(xid(panel)), kTimeout);
    clickToFront(other, QPoint(290, 190));
    QVERIFY(server.stackedAbove(xid(panel), xid(other)));
}

void TestWindowChromeX11::panelToggleMovesItAcrossTheBand()
{
    openPanel(QPoint(200, 150));
    if (QTest::currentTestFailed())
        return;
    QWidget witness;
    QWidget other;
    showAndWait(witness, QRect(600, 400, 400, 300));
    showAndWait(other, QRect(650, 450, 400, 300));
    QTRY_VERIFY_WITH_TIMEOUT(server.inAboveBand(xid(*panel)), kTimeout);
    clickToFront(other, QPoint(390, 290));
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(other), xid(witness)), kTimeout);
    QVERIFY(server.stackedAbove(xid(*panel), xid(other)));

    QPushButton* top = probe::button(panel.get(), "btn_top");
    QTest::mouseClick(top, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!server.inAboveBand(xid(*panel)), kTimeout);
    clickToFront(witness, QPoint(380, 20));
    clickToFront(other, QPoint(390, 290));
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(other), xid(*panel)), kTimeout);

    QTest::mouseClick(top, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(*panel), xid(other)), kTimeout);
    QVERIFY(server.inAboveBand(xid(*panel)));
    QVERIFY(server.viewable(xid(*panel)));
    QCOMPARE(server.rootPosition(xid(*panel)), QPoint(200, 150));
}

void TestWindowChromeX11::panelHidesToTheTrayAndComesBackOnADoubleClick()
{
    openPanel(QPoint(200, 150));
    if (QTest::currentTestFailed())
        return;
    QWidget other;
    showAndWait(other, QRect(650, 450, 400, 300));
    auto* tray = panel->findChild<QSystemTrayIcon*>();
    QVERIFY(tray);
    QTRY_VERIFY_WITH_TIMEOUT(!tray->geometry().isEmpty(), kTimeout);
    const QPoint icon = tray->geometry().center();
    QList<QSystemTrayIcon::ActivationReason> activations;
    connect(tray, &QSystemTrayIcon::activated, this,
        [&activations](QSystemTrayIcon::ActivationReason reason) { activations << reason; });
    QPushButton* minimise = probe::button(panel.get(), "btn_min");

    // Out of the band first, so that the round trip must keep that too.
    QTest::mouseClick(probe::button(panel.get(), "btn_top"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!server.inAboveBand(xid(*panel)), kTimeout);

    const xcb_window_t before = xid(*panel);
    QTest::mouseClick(minimise, Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!server.viewable(before), kTimeout);
    QVERIFY(tray->isVisible());

    // A real double click on the icon brings the window back where it was.
    xdotool(pointAt(icon)
            + QStringList{QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), kTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(server.viewable(xid(*panel)), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), QPoint(200, 150), kTimeout);
    clickToFront(other, QPoint(390, 290));
    QTRY_VERIFY_WITH_TIMEOUT(server.stackedAbove(xid(other), xid(*panel)), kTimeout);
    QVERIFY(!server.inAboveBand(xid(*panel)));

    // A single click is reported but restores nothing.
    QTest::mouseClick(minimise, Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    activations.clear();
    xdotool(pointAt(icon) + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(!activations.isEmpty(), kTimeout);
    QCOMPARE(activations, QList<QSystemTrayIcon::ActivationReason>{QSystemTrayIcon::Trigger});
    QVERIFY(!panel->isVisible());
}

void TestWindowChromeX11::panelDocksAgainstEachEdgeUnderThePointer()
{
    openPanel(QPoint(300, 200));
    if (QTest::currentTestFailed())
        return;
    const int desktop = QApplication::desktop()->width();
    const QPoint away(640, 700);  // open desktop, clear of the panel at every step
    const auto pointTo = [this](QPoint p) { xdotool(pointAt(p)); };

    // Right edge, pane hidden: the 326-pixel face hides to a 10-pixel strip
    // and comes back flush with the edge.
    dragPanelBy(QPoint(15, 300), QPoint(desktop - 280 - 300, 0));
    const int y = panel->y();
    pointTo(away);
    QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), QPoint(desktop - 10, y), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), QPoint(desktop - 10, y), kTimeout);
    pointTo(QPoint(desktop - 4, y + 100));
    QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), QPoint(desktop - 326, y), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), QPoint(desktop - 326, y), kTimeout);

    // Top edge.
    dragPanelBy(QPoint(15, 300), QPoint(-(desktop - 326) + 400, -y - 40));
    QCOMPARE(panel->pos(), QPoint(400, -40));
    pointTo(away);
    QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), QPoint(400, -426), kTimeout);
    pointTo(QPoint(500, 4));
    QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), QPoint(400, -10), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), QPoint(400, -10), kTimeout);

    // Left edge.
    dragPanelBy(QPoint(300, 300), QPoint(-450, 160));
    QCOMPARE(panel->pos(), QPoint(-50, 150));
    pointTo(away);
    QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), QPoint(-317, 150), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), QPoint(-317, 150), kTimeout);
    pointTo(QPoint(4, 300));
    QTRY_COMPARE_WITH_TIMEOUT(panel->pos(), QPoint(-10, 150), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(server.rootPosition(xid(*panel)), QPoint(-10, 150), kTimeout);
}

QTEST_MAIN(TestWindowChromeX11)
#include "test_window_chrome_x11.moc"
