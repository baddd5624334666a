// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel's costs measured inside one process, over a simulated bus and a
// fake V4L2 machine: a camera command from key to camera, a discovery pass,
// and how the pass grows with the number of video devices. Prints one JSON
// object on stdout and nothing else there.
//
//   ptzdeck_inprocess_bench [--runs N] [--quick]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <cerrno>
#include <csignal>
#include <linux/input-event-codes.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

#include "Buses.h"
#include "gamepad/Gamepads.h"
#include "window/MainWindow.h"
#include "PanelSession.h"
#include "widgets/RockerHandle.h"
#include "Stats.h"
#include "lumetra/BaseDevice.h"
#include "support/FakePad.h"

namespace {

struct Options {
    int runs = 15;      // discovery passes per configuration
    int samples = 240;  // commands per command path
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.runs = 3;
            options.samples = 60;
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long runs = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || runs < 1 || runs > 10000)
                return false;
            options.runs = static_cast<int>(runs);
        } else {
            return false;
        }
    }
    return true;
}

// The fake trees (sysfs, .cam files) in memory, so that a pass measures the
// code and not the disk under the tree: on a fresh machine the same pass took
// several times as long on the local disk. A TMPDIR the caller set is kept.
// Returns the file system the trees are on, for the report.
QString PutTreesInMemory()
{
    if (qEnvironmentVariableIsEmpty("TMPDIR")) {
        struct statfs shm;
        if (statfs("/dev/shm", &shm) == 0 && shm.f_type == TMPFS_MAGIC && access("/dev/shm", W_OK) == 0)
            qputenv("TMPDIR", "/dev/shm");
    }
    const QByteArray dir = qEnvironmentVariableIsEmpty("TMPDIR") ? QByteArray("/tmp") : qgetenv("TMPDIR");
    struct statfs fs;
    if (statfs(dir.constData(), &fs) != 0)
        return QStringLiteral("unknown");
    return fs.f_type == TMPFS_MAGIC ? QStringLiteral("tmpfs") : QStringLiteral("disk");
}

// The longest any one event took the window to handle, outside other
// events: its own work, apart from the time the machine gave elsewhere.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    qint64 longestEventNs = 0;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_ > 0)
            return QApplication::notify(receiver, event);
        QElapsedTimer clock;
        clock.start();
        ++depth_;
        const bool handled = QApplication::notify(receiver, event);
        --depth_;
        longestEventNs = std::max(longestEventNs, clock.nsecsElapsed());
        return handled;
    }

private:
    int depth_ = 0;
};

// The event loop beating every 1 ms while it runs, and the gaps between
// the beats, in ms: how long it stood still each time.
class LoopBeat {
public:
    LoopBeat()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { beat(); });
        clock_.start();
        last_ = clock_.nsecsElapsed();
        timer_.start();
    }
    void runFor(qint64 ms)
    {
        const qint64 until = clock_.elapsed() + ms;
        while (clock_.elapsed() < until)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    qint64 elapsedMs() const { return clock_.elapsed(); }
    // Every gap so far, the one running now included, shortest first.
    std::vector<double> gaps()
    {
        beat();
        std::vector<double> sorted = gaps_;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

private:
    void beat()
    {
        gaps_.push_back(static_cast<double>(clock_.nsecsElapsed() - last_) / 1e6);
        last_ = clock_.nsecsElapsed();
    }
    QElapsedTimer clock_;
    qint64 last_ = 0;
    std::vector<double> gaps_;
    QTimer timer_;
};

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "ptzdeck_inprocess_bench: %s\n", what);
    std::exit(1);
}

double Micros(std::chrono::nanoseconds t) { return static_cast<double>(t.count()) / 1e3; }
// To `decimals` places, as the nearest double to the decimal text.
double Round(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// A count per command: whole when exact, as it should be.
QJsonValue PerCommand(long count, int commands)
{
    if (count % commands == 0)
        return QJsonValue(static_cast<qint64>(count / commands));
    return QJsonValue(Round(static_cast<double>(count) / commands, 3));
}

QJsonObject CommandRow(const QString& path, const std::vector<double>& micros)
{
    const Summary s = Summarize(micros);
    return {{"path", path}, {"samples", static_cast<int>(micros.size())}, {"median_us", Round(s.median, 2)},
        {"p90_us", Round(s.p90, 2)}, {"max_us", Round(s.max, 2)}};
}

// ---------------------------------------------------------------- commands

const Qt::Key kMotionKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_T, Qt::Key_W};

// Key presses and releases on a window over the simulated bus, each timed
// from before delivery to its return, by when the simulated camera has
// written the request (it writes synchronously); the lines are counted.
void KeyRowsOnSimulatedBus(const Options& options, QJsonArray& rows)
{
    SimulatedBusDirectory bus(1, 0);
    PanelSession session(bus.CreateBackend(), bus.Path());
    session.RunPass();
    if (!session.CameraOpen())
        Fail("the window opened no camera on the simulated bus");
    bus.TakeSetRequests();
    std::vector<double> press, release;
    long pressRequests = 0, releaseRequests = 0;
    for (int i = 0; i < options.samples; ++i) {
        const Qt::Key key = kMotionKeys[i % std::size(kMotionKeys)];
        press.push_back(Micros(session.Key(key, true)));
        pressRequests += static_cast<long>(bus.TakeSetRequests().size());
        release.push_back(Micros(session.Key(key, false)));
        releaseRequests += static_cast<long>(bus.TakeSetRequests().size());
    }
    QJsonObject p = CommandRow(QStringLiteral("key press -> simulated camera (requests.log line)"), press);
    p.insert("requests_per_command", PerCommand(pressRequests, options.samples));
    rows.append(p);
    QJsonObject r = CommandRow(QStringLiteral("key release -> simulated camera"), release);
    r.insert("requests_per_command", PerCommand(releaseRequests, options.samples));
    rows.append(r);

    // The joystick's speed report, as its 100 ms tick emits it while held to
    // the left: each change is one pan request.
    auto* joystick = qobject_cast<RockerHandle*>(session.Joystick());
    if (!joystick)
        Fail("the window has no joystick");
    emit joystick->keyNumchanged(3);
    session.Settle();
    bus.TakeSetRequests();
    std::vector<double> ticks;
    long tickRequests = 0;
    for (int i = 0; i < options.samples; ++i) {
        const auto start = std::chrono::steady_clock::now();
        emit joystick->Speed_Pan(1 + i % 7);
        session.Settle();
        ticks.push_back(Micros(std::chrono::steady_clock::now() - start));
        tickRequests += static_cast<long>(bus.TakeSetRequests().size());
    }
    QJsonObject t = CommandRow(QStringLiteral("joystick speed report -> simulated camera"), ticks);
    t.insert("requests_per_command", PerCommand(tickRequests, options.samples));
    rows.append(t);

    // A gamepad's stick, full right and back to rest by turns: from the
    // pad's frame written to its node until the window has read it and the
    // camera's thread has sent what it made.
    ptzdeck::Gamepads::SetOpenerForTesting([](const QByteArray& devnode) {
        FakePad* pad = FakePad::At(devnode);
        if (!pad)
            errno = ENOENT;
        return pad ? pad->open() : -1;
    });
    FakePad pad(70, FakePad::Xbox());
    auto* gamepads = session.Window().findChild<ptzdeck::Gamepads*>();
    if (!gamepads)
        Fail("the window follows no gamepads");
    gamepads->padArrived({pad.syspath(), pad.devnode(), pad.name()});
    session.Settle();
    bus.TakeSetRequests();
    std::vector<double> frames;
    long frameRequests = 0;
    for (int i = 0; i < options.samples; ++i) {
        const auto start = std::chrono::steady_clock::now();
        pad.send({{EV_ABS, ABS_X, i % 2 ? 0 : 32767}});
        while (!pad.drained())
            QCoreApplication::processEvents();
        session.Settle();
        frames.push_back(Micros(std::chrono::steady_clock::now() - start));
        frameRequests += static_cast<long>(bus.TakeSetRequests().size());
    }
    QJsonObject g = CommandRow(QStringLiteral("gamepad stick frame -> simulated camera"), frames);
    g.insert("requests_per_command", PerCommand(frameRequests, options.samples));
    rows.append(g);
}

// BaseDevice calls on a camera of the fake V4L2 machine, each timed until
// the fake device has answered its ioctls.
void DeviceRowsOnFakeV4l2(const Options& options, QJsonArray& rows)
{
    FakeV4l2Bus bus(1, 0);
    lumetra::platform::SetBackendForTesting(bus.CreateBackend());
    BaseDevice::Initial();
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    if (!device->Open("0", 1) || !device->PresetCall(1))  // the first usbfs request opens usbfs
        Fail("the fake V4L2 camera did not open");

    const auto row = [&](const QString& path, const std::function<bool(int)>& call) {
        std::vector<double> micros;
        const SyscallCounts before = bus.Counts();
        for (int i = 0; i < options.samples; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const bool ok = call(i);
            micros.push_back(Micros(std::chrono::steady_clock::now() - start));
            if (!ok)
                Fail("a BaseDevice call on the fake V4L2 camera failed");
        }
        const SyscallCounts cost = bus.Counts() - before;
        QJsonObject o = CommandRow(path, micros);
        o.insert("ioctls_per_command", PerCommand(cost.ioctls, options.samples));
        o.insert("other_syscalls_per_command",
            PerCommand(cost.opens + cost.reads + cost.closes + cost.readlinks, options.samples));
        rows.append(o);
    };
    row(QStringLiteral("BaseDevice PresetCall -> usbfs ioctl (fake device)"),
        [&](int i) { return device->PresetCall(i % 10); });
    row(QStringLiteral("BaseDevice PanLeft/PanLeftStop -> V4L2 ioctls (fake device)"),
        [&](int i) { return i % 2 ? device->PanLeftStop() : device->PanLeft(21); });
    row(QStringLiteral("BaseDevice ZoomIn/ZoomStop -> V4L2 ioctls (fake device)"),
        [&](int i) { return i % 2 ? device->ZoomStop() : device->ZoomIn(1); });

    device->Close();
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();
    lumetra::platform::SetBackendForTesting(nullptr);
}

// ---------------------------------------------------------------- a camera that stops answering

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        Fail("cannot write the network camera's files");
}

// The window beside a simulated network camera (visca-simcam, VISCA over
// UDP on loopback) that stops answering once opened: an arrow key pressed
// and released every 33 ms, as a key's auto-repeat comes, then the camera
// chosen again. The longest gap between the event loop's 1 ms beats is what
// the window stood still, the machine's own share included, which an idle
// loop shows as long again; the longest event it handled is its own work.
// After the last key, how long the camera's thread still had work says
// whether the moves piled up behind the silence.
QJsonObject SilentNetworkCamera(const Options& options)
{
    QTemporaryDir work;
    const QString bus = work.path() + QStringLiteral("/bus"), config = work.path() + QStringLiteral("/config");
    if (!work.isValid() || !QDir().mkpath(bus) || !QDir().mkpath(config + QStringLiteral("/ptzdeck")))
        Fail("no folder for the network camera");
    WriteText(bus + QStringLiteral("/lens.visca"), "framing=udp\nport=0\n");
    QProcess camera;
    camera.start(QStringLiteral(VISCA_SIMCAM), {bus, QStringLiteral("lens")});
    QFile address(bus + QStringLiteral("/lens.address"));
    for (int tries = 0; !address.exists() && tries < 1000; ++tries)
        QThread::msleep(10);  // its address file is written once it listens
    if (!address.open(QIODevice::ReadOnly))
        Fail("the simulated network camera did not start");
    WriteText(config + QStringLiteral("/ptzdeck/cameras.conf"), address.readAll().trimmed() + " Lens\n");
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));

    QJsonObject row;
    qint64 measuredMs = 0;
    {
        SimulatedBusDirectory usb(1, 0);
        PanelSession session(usb.CreateBackend(), usb.Path());
        session.RunPass();
        QMetaObject::invokeMethod(&session.Window(), "Setting_Press", Qt::DirectConnection, Q_ARG(int, 1));
        session.Settle();
        WriteText(bus + QStringLiteral("/lens.visca"), "framing=udp\nport=0\nsilent=1\n");
        ::kill(static_cast<pid_t>(camera.processId()), SIGHUP);
        // While the camera reads its settings again, the window finishes
        // what opening the camera left it (its paints), outside the count.
        QElapsedTimer reread;
        reread.start();
        while (reread.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

        auto* app = static_cast<TimedApplication*>(QCoreApplication::instance());
        app->longestEventNs = 0;
        LoopBeat loop;
        const int keys = options.samples;
        for (int i = 0; i < keys; ++i) {
            session.Deliver(Qt::Key_Left, i % 4 != 3);  // three repeats, then the release
            loop.runFor(33);
        }
        QElapsedTimer drain;
        drain.start();
        while (!session.Window().camerasIdle())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 drained = drain.elapsed();
        // Then the camera chosen again: an opening that gets no answer.
        QMetaObject::invokeMethod(&session.Window(), "Setting_Press", Qt::QueuedConnection, Q_ARG(int, 1));
        QElapsedTimer opening;
        opening.start();
        loop.runFor(1);
        while (!session.Window().camerasIdle())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const std::vector<double> gaps = loop.gaps();
        const double longestEvent = static_cast<double>(app->longestEventNs) / 1e6;
        measuredMs = loop.elapsedMs();
        row = QJsonObject{{"keys", keys}, {"longest_stall_ms", Round(gaps.back(), 2)},
            {"longest_event_ms", Round(longestEvent, 2)}, {"p99_gap_ms", Round(gaps[gaps.size() * 99 / 100], 2)},
            {"work_left_after_last_key_ms", drained}, {"opening_ms", opening.elapsed()}};
    }
    // As long again with no window at all.
    {
        LoopBeat idle;
        idle.runFor(measuredMs);
        row.insert("idle_loop_longest_gap_ms", Round(idle.gaps().back(), 2));
    }
    camera.terminate();
    camera.waitForFinished();
    if (configBefore.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", configBefore);
    return row;
}

// ---------------------------------------------------------------- passes

struct PassSeries {
    std::vector<double> millis;
    std::vector<double> syscalls;  // per pass, when the bus can count them
    double firstMillis = 0;        // the window's first pass, not in `millis`
};

// A fresh window per configuration, its first pass apart, then `runs`
// timed passes on the same window. Building the bus is not timed.
PassSeries RunPasses(bool fakeV4l2, int cameras, int nodes, int runs)
{
    PassSeries series;
    const auto toMillis = [](std::chrono::nanoseconds t) { return static_cast<double>(t.count()) / 1e6; };
    if (fakeV4l2) {
        FakeV4l2Bus bus(cameras, std::max(0, nodes - 2 * cameras));
        PanelSession session(bus.CreateBackend(), bus.Root());
        series.firstMillis = toMillis(session.RunPass().time);
        if (!session.CameraOpen())
            Fail("a pass on the fake V4L2 machine opened no camera");
        for (int i = 0; i < runs; ++i) {
            const SyscallCounts before = bus.Counts();
            series.millis.push_back(toMillis(session.RunPass().time));
            series.syscalls.push_back(static_cast<double>((bus.Counts() - before).Total()));
        }
    } else {
        SimulatedBusDirectory bus(cameras, std::max(0, nodes - cameras));
        PanelSession session(bus.CreateBackend(), bus.Path());
        series.firstMillis = toMillis(session.RunPass().time);
        if (!session.CameraOpen())
            Fail("a pass on the simulated bus opened no camera");
        for (int i = 0; i < runs; ++i) {
            const PanelSession::Pass pass = session.RunPass();
            series.millis.push_back(toMillis(pass.time));
            series.syscalls.push_back(static_cast<double>(pass.readSyscalls));
        }
    }
    return series;
}

QString BusName(bool fakeV4l2) { return fakeV4l2 ? QStringLiteral("fake V4L2") : QStringLiteral("simulated"); }

QJsonObject PassRow(bool fakeV4l2, int cameras, int nodes, const PassSeries& series)
{
    const Summary t = Summarize(series.millis);
    QJsonObject row{{"bus", BusName(fakeV4l2)}, {"cameras", cameras}, {"nodes", nodes},
        {"median_ms", Round(t.median, 3)}, {"min_ms", Round(t.min, 3)},
        {"first_pass_ms", Round(series.firstMillis, 3)}};
    const double syscalls = Summarize(series.syscalls).median;
    if (fakeV4l2) {
        row.insert("syscalls", syscalls);
    } else {
        // Only reads are counted exactly by the kernel on the simulated bus.
        row.insert("syscalls", QJsonValue::Null);
        row.insert("read_syscalls", syscalls);
    }
    return row;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--runs N] [--quick]\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString treesOn = PutTreesInMemory();
    TimedApplication app(argc, argv);

    QJsonArray commands;
    KeyRowsOnSimulatedBus(options, commands);
    DeviceRowsOnFakeV4l2(options, commands);

    QJsonArray passes;
    for (const bool fakeV4l2 : {false, true}) {
        for (const int cameras : {1, 5}) {
            const int nodes = 60;
            passes.append(PassRow(fakeV4l2, cameras, nodes, RunPasses(fakeV4l2, cameras, nodes, options.runs)));
        }
    }

    QJsonArray scaling;
    QJsonObject fits;
    for (const bool fakeV4l2 : {false, true}) {
        std::vector<double> x, y;
        for (const int wanted : {1, 10, 100, 1000}) {
            // A UVC camera has two nodes: the fewest the fake machine can hold.
            const int nodes = fakeV4l2 ? std::max(wanted, 2) : wanted;
            const PassSeries series = RunPasses(fakeV4l2, 1, nodes, options.runs);
            const double median = Summarize(series.millis).median;
            scaling.append(QJsonObject{{"bus", BusName(fakeV4l2)}, {"nodes", nodes}, {"median_ms", Round(median, 3)},
                {"min_ms", Round(Summarize(series.millis).min, 3)}});
            x.push_back(nodes);
            y.push_back(median * 1e3);
        }
        const LineFit fit = FitLine(x, y);
        fits.insert(BusName(fakeV4l2), QJsonObject{{"per_node_us", Round(fit.perUnit, 2)},
                                           {"fixed_us", Round(fit.fixed, 1)}, {"r2", Round(fit.r2, 4)}});
    }

    const QJsonObject silent = SilentNetworkCamera(options);

    const QJsonObject report{{"runs", options.runs}, {"trees_on", treesOn}, {"command_path", commands},
        {"silent_network_camera", silent}, {"discovery_pass", passes}, {"scaling", scaling}, {"scaling_fit", fits}};
    const QByteArray json = QJsonDocument(report).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return 0;
}
