// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Performance budgets that do not depend on the machine's speed: what one
// discovery pass and one camera command cost in system calls and camera
// requests, and how that grows with the devices on the bus. Counts only,
// never times.
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <functional>
#include <linux/input-event-codes.h>
#include <memory>
#include <string>
#include <thread>

#include "Buses.h"
#include "gamepad/Gamepads.h"
#include "window/MainWindow.h"
#include "PanelSession.h"
#include "lumetra/BaseDevice.h"
#include "support/FakePad.h"

using DeviceCall = std::function<bool(BaseDevice&)>;
Q_DECLARE_METATYPE(DeviceCall)

namespace {

// ----------------------------------------------------------------- budgets
// What one discovery pass costs today, per device that is not the camera it
// opens. A pass walks the bus twice (the enumeration, then Open's walk up to
// the camera), and each walk lists every node from sysfs: two link reads (the
// class entry to the node's directory, its `device` link to the parent), and
// each attribute file read to its end (an open, two reads, a close).
//
// A pair of nodes that are not cameras, one USB node of another driver and
// one platform node, per walk:
//   USB node: name, bInterfaceNumber, idVendor, idProduct (4 files: 4 opens,
//     8 reads, 4 closes), then asked what it is (open, VIDIOC_QUERYCAP,
//     close): 5 opens, 1 ioctl, 8 reads, 5 closes, 2 readlinks.
//   Platform node: name (1 open, 2 reads, 1 close) and bInterfaceNumber,
//     which is not there (an open that fails; nothing more is looked for):
//     2 opens, 2 reads, 1 close, 2 readlinks.
// Two walks: 14 opens, 2 ioctls, 20 reads, 12 closes, 8 readlinks.
constexpr SyscallCounts kPerNodePair{14, 2, 20, 12, 8};

// A supported camera beyond the one the pass opens: both walks list its
// capture and metadata nodes (4 files and 2 links each: 8 opens, 16 reads,
// 8 closes, 4 readlinks a walk); the enumeration asks both what they are
// (2 opens, 2 ioctls, 2 closes), and Open's walk stops at the first camera.
// Where the device sits on the bus is read only for the camera bound.
constexpr SyscallCounts kPerExtraCamera{18, 2, 32, 18, 8};

// On the simulated bus, the pass reads a .cam file only when it is new to the
// library: the first pass reads each one to its end (2 reads); later passes
// only look at the files (stat, no read).
constexpr long kFirstPassReadsPerFile = 2;
constexpr long kLaterPassReadsPerFile = 0;

// ---------------------------------------------------------------- helpers

QString Describe(const SyscallCounts& c)
{
    return QStringLiteral("%1 opens, %2 ioctls, %3 reads, %4 closes, %5 readlinks")
        .arg(c.opens)
        .arg(c.ioctls)
        .arg(c.reads)
        .arg(c.closes)
        .arg(c.readlinks);
}

SyscallCounts Times(const SyscallCounts& c, long n)
{
    return {c.opens * n, c.ioctls * n, c.reads * n, c.closes * n, c.readlinks * n};
}

bool DividesBy(const SyscallCounts& c, long n)
{
    return c.opens % n == 0 && c.ioctls % n == 0 && c.reads % n == 0 && c.closes % n == 0 && c.readlinks % n == 0;
}

SyscallCounts Per(const SyscallCounts& c, long n)
{
    return {c.opens / n, c.ioctls / n, c.reads / n, c.closes / n, c.readlinks / n};
}

bool AtMost(const SyscallCounts& c, const SyscallCounts& budget)
{
    return c.opens <= budget.opens && c.ioctls <= budget.ioctls && c.reads <= budget.reads && c.closes <= budget.closes
           && c.readlinks <= budget.readlinks;
}

// Passes measured at three sizes: the second step must cost exactly
// `secondUnits / firstUnits` times the first (linear growth), and one unit at
// most `budget`.
void CheckLinearWithin(const SyscallCounts& small, const SyscallCounts& middle, const SyscallCounts& large,
    long firstUnits, long secondUnits, const SyscallCounts& budget, const char* unit)
{
    const SyscallCounts firstStep = middle - small;
    const SyscallCounts secondStep = large - middle;
    QCOMPARE(Describe(Times(secondStep, firstUnits)), Describe(Times(firstStep, secondUnits)));
    QVERIFY2(DividesBy(firstStep, firstUnits), qPrintable(Describe(firstStep)));
    const SyscallCounts perUnit = Per(firstStep, firstUnits);
    QVERIFY2(AtMost(perUnit, budget), qPrintable(QStringLiteral("%1 costs %2, over the budget of %3")
                                                     .arg(QLatin1String(unit), Describe(perUnit), Describe(budget))));
}

// System calls of one discovery pass of a window that has run its first
// pass already; the same again on a second pass, or the check fails.
SyscallCounts V4l2PassCost(int cameras, int others)
{
    FakeV4l2Bus bus(cameras, others);
    PanelSession session(bus.CreateBackend(), bus.Root());
    session.RunPass();
    if (!session.CameraOpen()) {
        QTest::qFail("the first pass opened no camera", __FILE__, __LINE__);
        return {};
    }
    SyscallCounts before = bus.Counts();
    session.RunPass();
    const SyscallCounts cost = bus.Counts() - before;
    before = bus.Counts();
    session.RunPass();
    if (!(bus.Counts() - before == cost))
        QTest::qFail(qPrintable(QStringLiteral("two passes cost differently: %1 then %2")
                                    .arg(Describe(cost), Describe(bus.Counts() - before))),
            __FILE__, __LINE__);
    if (!session.CameraOpen())
        QTest::qFail("a later pass opened no camera", __FILE__, __LINE__);
    return cost;
}

struct SimPassReads {
    long first = 0;
    long later = 0;
};

// Read system calls of the first pass (a fresh library, every file new to
// it) and of a later pass, as the kernel counts them.
SimPassReads SimulatedPassReads(int cameras, int others)
{
    SimulatedBusDirectory bus(cameras, others);
    PanelSession session(bus.CreateBackend(), bus.Path());
    SimPassReads reads;
    reads.first = session.RunPass().readSyscalls;
    if (!session.CameraOpen())
        QTest::qFail("the first pass opened no camera", __FILE__, __LINE__);
    reads.later = session.RunPass().readSyscalls;
    const long again = session.RunPass().readSyscalls;
    if (again != reads.later)
        QTest::qFail(qPrintable(QStringLiteral("two later passes read %1 and %2 times").arg(reads.later).arg(again)),
            __FILE__, __LINE__);
    return reads;
}

// How many times this thread has blocked (gone to sleep waiting), as the
// kernel counts them.
long BlocksOfThisThread()
{
    std::ifstream status("/proc/thread-self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    return -1;
}

// Runs the event loop for `ms` milliseconds; the times the GUI thread
// blocked meanwhile. A loop that nothing wakes blocks once, until its end.
long BlocksWhileIdle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    const long before = BlocksOfThisThread();
    loop.exec();
    return BlocksOfThisThread() - before;
}

}  // namespace

class PerfChecks : public QObject {
    Q_OBJECT

private slots:
    void v4l2PassPerNode();
    void v4l2PassPerCamera();
    void simulatedPassReadsPerFile();
    void motionKeySendsOneRequest_data();
    void motionKeySendsOneRequest();
    void deviceCallSyscalls_data();
    void deviceCallSyscalls();
    void gamepadWakesOnlyWhenTouched();
};

// 10 -> 100 -> 1000 nodes that are not cameras, half of each kind: the
// pass's system calls grow by the same amount per node, within the budget.
void PerfChecks::v4l2PassPerNode()
{
    const SyscallCounts at10 = V4l2PassCost(1, 10);
    const SyscallCounts at100 = V4l2PassCost(1, 100);
    const SyscallCounts at1000 = V4l2PassCost(1, 1000);
    if (QTest::currentTestFailed())
        return;
    qInfo("one pass with 10 / 100 / 1000 other nodes: %s / %s / %s", qPrintable(Describe(at10)),
        qPrintable(Describe(at100)), qPrintable(Describe(at1000)));
    // 45 pairs of nodes, then 450 more.
    CheckLinearWithin(at10, at100, at1000, 45, 450, kPerNodePair, "a pair of nodes");
}

// 1 -> 5 -> 9 supported cameras (the pass opens the first): the same cost
// per further camera, within the budget.
void PerfChecks::v4l2PassPerCamera()
{
    const SyscallCounts one = V4l2PassCost(1, 10);
    const SyscallCounts five = V4l2PassCost(5, 10);
    const SyscallCounts nine = V4l2PassCost(9, 10);
    if (QTest::currentTestFailed())
        return;
    qInfo("one pass with 1 / 5 / 9 cameras: %s / %s / %s", qPrintable(Describe(one)), qPrintable(Describe(five)),
        qPrintable(Describe(nine)));
    CheckLinearWithin(one, five, nine, 4, 4, kPerExtraCamera, "a camera");
}

// 10 -> 100 -> 1000 webcam files beside one camera: read system calls per
// file are the same at every size, within the budget.
void PerfChecks::simulatedPassReadsPerFile()
{
    const SimPassReads at10 = SimulatedPassReads(1, 10);
    const SimPassReads at100 = SimulatedPassReads(1, 100);
    const SimPassReads at1000 = SimulatedPassReads(1, 1000);
    if (QTest::currentTestFailed())
        return;
    qInfo("reads of the first pass with 10 / 100 / 1000 files: %ld / %ld / %ld; of a later pass: %ld / %ld / %ld",
        at10.first, at100.first, at1000.first, at10.later, at100.later, at1000.later);
    QCOMPARE(at1000.first - at100.first, 10 * (at100.first - at10.first));
    QCOMPARE(at1000.later - at100.later, 10 * (at100.later - at10.later));
    QCOMPARE((at100.first - at10.first) % 90, 0L);
    QCOMPARE((at100.later - at10.later) % 90, 0L);
    QVERIFY2((at100.first - at10.first) / 90 <= kFirstPassReadsPerFile,
        qPrintable(QStringLiteral("the first pass reads a file %1 times").arg((at100.first - at10.first) / 90)));
    QVERIFY2((at100.later - at10.later) / 90 <= kLaterPassReadsPerFile,
        qPrintable(QStringLiteral("a later pass reads a file %1 times").arg((at100.later - at10.later) / 90)));
}

// The request each motion key sends on press and on release: exactly one
// each, the right one, every time.
void PerfChecks::motionKeySendsOneRequest_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("id");          // camera-control property
    QTest::addColumn<int>("pressValue");  // relative speed; the release sends 0
    constexpr int kPan = 10, kTilt = 11, kZoom = 13;
    QTest::newRow("Left") << int(Qt::Key_Left) << kPan << -21;
    QTest::newRow("Right") << int(Qt::Key_Right) << kPan << 21;
    QTest::newRow("Up") << int(Qt::Key_Up) << kTilt << 14;
    QTest::newRow("Down") << int(Qt::Key_Down) << kTilt << -14;
    QTest::newRow("T") << int(Qt::Key_T) << kZoom << 1;
    QTest::newRow("W") << int(Qt::Key_W) << kZoom << -1;
}

void PerfChecks::motionKeySendsOneRequest()
{
    QFETCH(int, key);
    QFETCH(int, id);
    QFETCH(int, pressValue);
    SimulatedBusDirectory bus(1, 0);
    PanelSession session(bus.CreateBackend(), bus.Path());
    session.RunPass();
    QVERIFY(session.CameraOpen());
    bus.TakeSetRequests();
    constexpr int kRelative = 0x10;
    // Several times over: a second request would come from state the first
    // press or release left behind.
    for (int round = 0; round < 3; ++round) {
        for (const bool press : {true, false}) {
            session.Key(Qt::Key(key), press);
            const std::vector<SetRequest> sent = bus.TakeSetRequests();
            QCOMPARE(int(sent.size()), 1);
            QCOMPARE(sent[0].camera, QStringLiteral("b-ptz-1"));
            QCOMPARE(sent[0].set, QStringLiteral("camera-control"));
            QCOMPARE(sent[0].id, id);
            QCOMPARE(sent[0].value1, press ? pressValue : 0);
            QCOMPARE(sent[0].flags, kRelative);
        }
    }
}

// BaseDevice's motion and preset calls on a camera of the fake V4L2
// machine, once the camera is open and its usbfs node too: the ioctls each
// costs, and never an open, read or close.
void PerfChecks::deviceCallSyscalls_data()
{
    QTest::addColumn<DeviceCall>("call");
    QTest::addColumn<int>("ioctls");
    using Call = DeviceCall;
    // Commands on the camera's own channel: one control transfer through usbfs.
    QTest::newRow("PresetCall") << Call([](BaseDevice& d) { return d.PresetCall(3); }) << 1;
    QTest::newRow("PresetSet") << Call([](BaseDevice& d) { return d.PresetSet(3); }) << 1;
    QTest::newRow("PresetClear") << Call([](BaseDevice& d) { return d.PresetClear(3); }) << 1;
    QTest::newRow("Home") << Call([](BaseDevice& d) { return d.Home(); }) << 1;
    QTest::newRow("FocusNear") << Call([](BaseDevice& d) { return d.FocusNear(1); }) << 1;
    QTest::newRow("FocusFar") << Call([](BaseDevice& d) { return d.FocusFar(1); }) << 1;
    QTest::newRow("FocusStop") << Call([](BaseDevice& d) { return d.FocusStop(); }) << 1;
    // Pan and tilt speeds: the pan and tilt ranges are asked each time
    // (two VIDIOC_QUERYCTRL), then one set carries both axes.
    QTest::newRow("PanLeft") << Call([](BaseDevice& d) { return d.PanLeft(21); }) << 3;
    QTest::newRow("PanLeftStop") << Call([](BaseDevice& d) { return d.PanLeftStop(); }) << 3;
    QTest::newRow("PanRight") << Call([](BaseDevice& d) { return d.PanRight(21); }) << 3;
    QTest::newRow("PanRightStop") << Call([](BaseDevice& d) { return d.PanRightStop(); }) << 3;
    QTest::newRow("TiltUp") << Call([](BaseDevice& d) { return d.TiltUp(14); }) << 3;
    QTest::newRow("TiltUpStop") << Call([](BaseDevice& d) { return d.TiltUpStop(); }) << 3;
    QTest::newRow("TiltDown") << Call([](BaseDevice& d) { return d.TiltDown(14); }) << 3;
    QTest::newRow("TiltDownStop") << Call([](BaseDevice& d) { return d.TiltDownStop(); }) << 3;
    // Zoom speed: its range (one VIDIOC_QUERYCTRL), then the set.
    QTest::newRow("ZoomIn") << Call([](BaseDevice& d) { return d.ZoomIn(1); }) << 2;
    QTest::newRow("ZoomOut") << Call([](BaseDevice& d) { return d.ZoomOut(1); }) << 2;
    QTest::newRow("ZoomStop") << Call([](BaseDevice& d) { return d.ZoomStop(); }) << 2;
}

void PerfChecks::deviceCallSyscalls()
{
    QFETCH(DeviceCall, call);
    QFETCH(int, ioctls);
    FakeV4l2Bus bus(1, 0);
    lumetra::platform::SetBackendForTesting(bus.CreateBackend());
    BaseDevice::Initial();
    std::unique_ptr<BaseDevice, void (*)(BaseDevice*)> device(BaseDevice::CreateDevice(USB), [](BaseDevice* d) {
        d->Close();
        BaseDevice::DeleteDevice(d);
        BaseDevice::Release();
        lumetra::platform::SetBackendForTesting(nullptr);
    });
    QVERIFY(device->Open("0", 1));
    // The camera's channel opens usbfs on its first use: one open, one read
    // of the device descriptor (is it still our camera?), the transfer.
    SyscallCounts before = bus.Counts();
    QVERIFY(device->Home());
    QCOMPARE(Describe(bus.Counts() - before), Describe(SyscallCounts{1, 1, 1, 0, 0}));
    for (int round = 0; round < 3; ++round) {
        before = bus.Counts();
        QVERIFY(call(*device));
        QCOMPARE(Describe(bus.Counts() - before), Describe(SyscallCounts{0, ioctls, 0, 0, 0}));
    }
}

// A plugged-in pad left alone costs nothing: the panel sleeps through a
// whole second as it does without one. Touched, it wakes for each frame the
// pad sends, and the camera moves.
void PerfChecks::gamepadWakesOnlyWhenTouched()
{
    ptzdeck::Gamepads::SetOpenerForTesting([](const QByteArray& devnode) {
        FakePad* pad = FakePad::At(devnode);
        if (!pad)
            errno = ENOENT;
        return pad ? pad->open() : -1;
    });
    SimulatedBusDirectory bus(1, 0);
    PanelSession session(bus.CreateBackend(), bus.Path());
    session.RunPass();
    QVERIFY(session.CameraOpen());
    BlocksWhileIdle(300);  // what the window's showing left to do
    const long withoutPad = BlocksWhileIdle(1000);

    FakePad pad(70, FakePad::Xbox());
    auto* gamepads = session.Window().findChild<ptzdeck::Gamepads*>();
    QVERIFY(gamepads);
    gamepads->padArrived({pad.syspath(), pad.devnode(), pad.name()});
    QVERIFY(gamepads->inUse().contains(pad.name()));
    QCoreApplication::processEvents();
    bus.TakeSetRequests();
    const long untouched = BlocksWhileIdle(1000);

    constexpr int kFrames = 10;
    std::atomic<bool> done{false};
    std::thread hand([&] {
        for (int i = 0; i < kFrames; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            pad.send({{EV_ABS, ABS_X, i % 2 ? 0 : 32767}});
        }
        done = true;
    });
    const long touched = BlocksWhileIdle(1000);
    hand.join();
    QTRY_VERIFY(pad.drained());
    const size_t requests = bus.TakeSetRequests().size();
    qInfo(
        "GUI thread blocked %ld times in 1 s without a pad, %ld with a pad untouched, %ld with %d frames; "
        "%zu camera requests",
        withoutPad, untouched, touched, kFrames, requests);
    QVERIFY(done);
    QCOMPARE(withoutPad, 1L);
    QCOMPARE(untouched, 1L);
    QVERIFY2(touched >= kFrames, "the counts do not see the pad waking the panel");
    QVERIFY(requests >= size_t(kFrames));
}

QTEST_MAIN(PerfChecks)
#include "perf_checks.moc"
