// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "panel_harness.h"

#include "window/AppState.h"
#include "gamepad/Gamepads.h"
#include "window/MainWindow.h"
#include "devices/DeviceWorker.h"
#include "panel/BusNames.h"
#include "panel/PanelService.h"
#include "support/FakePad.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include <cerrno>
#include <unistd.h>
#include <functional>
#include <libevdev/libevdev.h>
#include <map>

namespace {

const char kCameraControl[] = "camera-control";
constexpr int kRelative = 0x10;
constexpr int kAbsolute = 0;
constexpr int kRoll = 2;  // the camera's command channel

// Generous bounds: the machine may be loaded.
constexpr int kPassTimeoutMs = 15000;
constexpr int kRequestTimeoutMs = 10000;

QString relativeMove(int id, int value)
{
    switch (id) {
    case 10:
        return value < 0   ? QStringLiteral("PanLeft(%1)").arg(-value)
               : value > 0 ? QStringLiteral("PanRight(%1)").arg(value)
                           : QStringLiteral("PanStop");
    case 11:
        return value > 0   ? QStringLiteral("TiltUp(%1)").arg(value)
               : value < 0 ? QStringLiteral("TiltDown(%1)").arg(-value)
                           : QStringLiteral("TiltStop");
    case 13:
        return value == 1    ? QStringLiteral("ZoomIn")
               : value == -1 ? QStringLiteral("ZoomOut")
               : value == 0  ? QStringLiteral("ZoomStop")
                             : QString();
    case 16:
        return value == 1    ? QStringLiteral("FocusNear")
               : value == -1 ? QStringLiteral("FocusFar")
               : value == 0  ? QStringLiteral("FocusStop")
                             : QString();
    default:
        return QString();
    }
}

const std::map<int, QString>& commandNames()
{
    static const std::map<int, QString> names = {
        {0, "MirrorOn"},
        {1, "MirrorOff"},
        {2, "FlipOn"},
        {3, "FlipOff"},
        {4, "MuteOff"},
        {5, "MuteOn"},
        {6, "FocusAuto"},
        {7, "FocusManual"},
        {8, "Home"},
        {16, "FramingAuto"},
        {17, "FramingManual"},
    };
    return names;
}

QString command(int code, int flags)
{
    if (flags == kRelative) {
        const auto it = commandNames().find(code);
        return it == commandNames().end() ? QString() : it->second;
    }
    if (flags == kAbsolute) {
        if (code >= 100)
            return QStringLiteral("PresetCall(%1)").arg(code - 100);
        if (code >= 60)
            return QStringLiteral("PresetClear(%1)").arg(code - 60);
        if (code >= 20)
            return QStringLiteral("PresetSet(%1)").arg(code - 20);
    }
    return QString();
}

CameraRequest request(const char* set, int id, int value1, int flags)
{
    CameraRequest r;
    r.set = QLatin1String(set);
    r.id = id;
    r.value1 = value1;
    r.flags = flags;
    return r;
}

CameraRequest cameraControl(int id, int value1, int flags) { return request(kCameraControl, id, value1, flags); }

// A picture setting: a manual proc-amp value.
CameraRequest picture(int id, int value) { return request("proc-amp", id, value, 0x2); }

// "<camera> ks-set <set> <id> value1=<v> value2=<v> flags=0x<hex> len=<n>"
bool parseSetLine(const QString& line, CameraRequest* out)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 4 || words[1] != QLatin1String("ks-set"))
        return false;
    CameraRequest r;
    r.camera = words[0];
    r.set = words[2];
    bool ok = false;
    r.id = words[3].toInt(&ok);
    if (!ok)
        return false;
    bool haveValue = false;
    bool haveFlags = false;
    for (int i = 4; i < words.size(); ++i) {
        if (words[i].startsWith(QLatin1String("value1="))) {
            r.value1 = words[i].mid(7).toInt(&haveValue);
        } else if (words[i].startsWith(QLatin1String("flags=0x"))) {
            r.flags = words[i].mid(8).toInt(&haveFlags, 16);
        }
    }
    if (!haveValue || !haveFlags)
        return false;
    *out = r;
    return true;
}

QStringList describeAll(const QList<CameraRequest>& requests)
{
    QStringList out;
    for (const CameraRequest& r : requests)
        out << r.describe();
    return out;
}

QStringList expectedAll(const QStringList& operations)
{
    QStringList out;
    for (const QString& op : operations)
        out << expectedRequest(op);
    return out;
}

Qt::Key keyNamed(const QString& name)
{
    static const std::map<QString, Qt::Key> arrows = {
        {"Left", Qt::Key_Left},
        {"Right", Qt::Key_Right},
        {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},
        {"Space", Qt::Key_Space},
        {"PageUp", Qt::Key_PageUp},
        {"PageDown", Qt::Key_PageDown},
        {"Home", Qt::Key_Home},
        {"End", Qt::Key_End},
    };
    const auto it = arrows.find(name);
    if (it != arrows.end())
        return it->second;
    if (name.size() == 1 && name[0].isLetterOrNumber())
        return Qt::Key(name[0].toUpper().unicode());
    return Qt::Key_unknown;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapTo(widget->window(), pos)),
        QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}

QRect sliderHandle(const QSlider* s)
{
    QStyleOptionSlider opt;
    opt.initFrom(s);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = s->orientation();
    opt.minimum = s->minimum();
    opt.maximum = s->maximum();
    opt.tickPosition = s->tickPosition();
    opt.tickInterval = s->tickInterval();
    opt.upsideDown = s->orientation() == Qt::Horizontal
                         ? (s->invertedAppearance() != (opt.direction == Qt::RightToLeft))
                         : !s->invertedAppearance();
    opt.sliderPosition = s->sliderPosition();
    opt.sliderValue = s->value();
    opt.singleStep = s->singleStep();
    opt.pageStep = s->pageStep();
    if (s->orientation() == Qt::Horizontal)
        opt.state |= QStyle::State_Horizontal;
    return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
}

QPoint parsePoint(const QString& text)
{
    const QStringList xy = text.split(QLatin1Char(','));
    return xy.size() == 2 ? QPoint(xy[0].toInt(), xy[1].toInt()) : QPoint(-1, -1);
}

QString keyFace(const QString& image)
{
    return QStringLiteral("QPushButton{image: url(:/img/%1);background-color:black;}").arg(image);
}

QString muteFace(const QString& image)
{
    return QStringLiteral("QPushButton{border-image: url(:/img/%1);background-attachment;border:none;}").arg(image);
}

}  // namespace

// Absolute positions, and focus modes on a camera without the command
// channel: "PanTo(25)", "FocusManualAt(128)", "FocusAutoMode".
static QString absolute(int id, int value, int flags)
{
    static const std::map<int, QString> axes = {{0, "PanTo"}, {1, "TiltTo"}, {3, "ZoomTo"}, {6, "FocusTo"}};
    const auto axis = axes.find(id);
    if (flags == kAbsolute && axis != axes.end())
        return QStringLiteral("%1(%2)").arg(axis->second).arg(value);
    if (id == 6 && flags == 0x2)
        return QStringLiteral("FocusManualAt(%1)").arg(value);
    if (id == 6 && flags == 0x1 && value == 0)
        return QStringLiteral("FocusAutoMode");
    if (id == 13 && flags == kRelative)
        return QStringLiteral("ZoomSpeed(%1)").arg(value);
    return QString();
}

QString CameraRequest::describe() const
{
    QString name;
    if (set == QLatin1String(kCameraControl)) {
        if (id == kRoll)
            name = command(value1, flags);
        else if (flags == kRelative)
            name = relativeMove(id, value1);
        if (name.isEmpty())
            name = absolute(id, value1, flags);
    }
    if (!name.isEmpty())
        return name;
    return QStringLiteral("%1 %2 value1=%3 flags=0x%4").arg(set).arg(id).arg(value1).arg(flags, 0, 16);
}

QString expectedRequest(const QString& operation)
{
    const int open = operation.indexOf(QLatin1Char('('));
    const QString name = open < 0 ? operation : operation.left(open);
    const int arg = open < 0 ? 0 : operation.mid(open + 1).chopped(1).toInt();

    static const std::map<QString, std::function<CameraRequest(int)>> table = {
        {"TiltUp", [](int s) { return cameraControl(11, s, kRelative); }},
        {"TiltDown", [](int s) { return cameraControl(11, -s, kRelative); }},
        {"TiltUpStop", [](int) { return cameraControl(11, 0, kRelative); }},
        {"TiltDownStop", [](int) { return cameraControl(11, 0, kRelative); }},
        {"PanLeft", [](int s) { return cameraControl(10, -s, kRelative); }},
        {"PanRight", [](int s) { return cameraControl(10, s, kRelative); }},
        {"PanLeftStop", [](int) { return cameraControl(10, 0, kRelative); }},
        {"PanRightStop", [](int) { return cameraControl(10, 0, kRelative); }},
        {"ZoomIn", [](int) { return cameraControl(13, 1, kRelative); }},
        {"ZoomOut", [](int) { return cameraControl(13, -1, kRelative); }},
        {"ZoomStop", [](int) { return cameraControl(13, 0, kRelative); }},
        {"FocusNear", [](int) { return cameraControl(16, 1, kRelative); }},
        {"FocusFar", [](int) { return cameraControl(16, -1, kRelative); }},
        {"FocusStop", [](int) { return cameraControl(16, 0, kRelative); }},
        {"PresetSet", [](int n) { return cameraControl(kRoll, 20 + n, kAbsolute); }},
        {"PresetClear", [](int n) { return cameraControl(kRoll, 60 + n, kAbsolute); }},
        {"PresetCall", [](int n) { return cameraControl(kRoll, 100 + n, kAbsolute); }},
        {"SetBrightness", [](int v) { return picture(0, v); }},
        {"SetContrast", [](int v) { return picture(1, v); }},
        {"SetSaturation", [](int v) { return picture(3, v); }},
        {"SetSharpness", [](int v) { return picture(4, v); }},
        {"SetGamma", [](int v) { return picture(5, v); }},
        {"SetWhiteBalance", [](int v) { return picture(7, v); }},
        {"SetBacklight", [](int v) { return picture(8, v); }},
        {"SetPowerLineFrequency", [](int v) { return picture(13, v); }},
        {"PanTo", [](int v) { return cameraControl(0, v, kAbsolute); }},
        {"TiltTo", [](int v) { return cameraControl(1, v, kAbsolute); }},
        {"ZoomTo", [](int v) { return cameraControl(3, v, kAbsolute); }},
        {"FocusTo", [](int v) { return cameraControl(6, v, kAbsolute); }},
        {"FocusManualAt", [](int v) { return cameraControl(6, v, 0x2); }},
        {"FocusAutoMode", [](int) { return cameraControl(6, 0, 0x1); }},
        {"ZoomSpeed", [](int v) { return cameraControl(13, v, kRelative); }},
    };
    const auto it = table.find(name);
    if (it != table.end())
        return it->second(arg).describe();
    for (const auto& entry : commandNames()) {
        if (entry.second == name)
            return cameraControl(kRoll, entry.first, kRelative).describe();
    }
    return QStringLiteral("<unknown operation %1>").arg(operation);
}

// ---------------------------------------------------------------- SimBus

SimBus::SimBus()
{
    if (!dir.isValid())
        return;
    // The log exists before any window watches the directory, so its
    // creation is not mistaken for a camera being plugged in.
    QFile log(dir.filePath(QStringLiteral("requests.log")));
    log.open(QIODevice::WriteOnly);
    qputenv("LUMETRA_SIM_DIR", QFile::encodeName(dir.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
}

QString SimBus::presetFile() const { return dir.filePath(QStringLiteral("config/ptzdeck/presets.json")); }

void SimBus::plug(const QString& name, const QStringList& lines)
{
    // Written under another name and renamed, so discovery never sees half a file.
    const QString staging = dir.filePath(name + QStringLiteral(".part"));
    QFile file(staging);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(QStringLiteral("name=PTZ Camera %1\npath=\\\\?\\usb#vid_0000&pid_8888&mi_00#%1\n").arg(name).toUtf8());
    for (const QString& line : lines)
        file.write(line.toUtf8() + '\n');
    file.close();
    QFile::remove(dir.filePath(name + QStringLiteral(".cam")));
    QFile::rename(staging, dir.filePath(name + QStringLiteral(".cam")));
}

void SimBus::unplug(const QString& name) { QFile::remove(dir.filePath(name + QStringLiteral(".cam"))); }

void SimBus::edit(const QString& name, const QString& line)
{
    QFile file(dir.filePath(name + QStringLiteral(".cam")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write((line + QLatin1Char('\n')).toUtf8());
}

void SimBus::unplugAll()
{
    QDir bus(dir.path());
    for (const QString& cam : bus.entryList({QStringLiteral("*.cam")}, QDir::Files))
        bus.remove(cam);
}

QList<CameraRequest> SimBus::peekSetRequests() const
{
    QList<CameraRequest> out;
    QFile log(dir.filePath(QStringLiteral("requests.log")));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(consumed))
        return out;
    const QByteArray tail = log.readAll();
    const int complete = tail.lastIndexOf('\n') + 1;  // a line still being written waits
    for (const QByteArray& line : tail.left(complete).split('\n')) {
        CameraRequest r;
        if (parseSetLine(QString::fromUtf8(line), &r))
            out << r;
    }
    return out;
}

QList<CameraRequest> SimBus::takeSetRequests()
{
    const QList<CameraRequest> out = peekSetRequests();
    QFile log(dir.filePath(QStringLiteral("requests.log")));
    if (log.open(QIODevice::ReadOnly) && log.seek(consumed)) {
        const QByteArray tail = log.readAll();
        consumed += tail.lastIndexOf('\n') + 1;
    }
    return out;
}

// ---------------------------------------------------------- PanelDriver

QString gamepadConfPath(const SimBus& bus) { return bus.path() + QStringLiteral("/config/ptzdeck/gamepad.conf"); }

PanelDriver::PanelDriver(SimBus& bus_, const std::optional<QString>& gamepadConf) : bus(bus_)
{
    // The user's configuration is the scenario's, never the machine's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(bus.path() + QStringLiteral("/config")));
    QFile::remove(gamepadConfPath(bus));
    if (gamepadConf) {
        QDir().mkpath(QFileInfo(gamepadConfPath(bus)).path());
        QFile conf(gamepadConfPath(bus));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(gamepadConf->toUtf8());
    }
    // Pads are the steps' fake ones: their nodes open to their socket pairs.
    ptzdeck::Gamepads::SetOpenerForTesting([](const QByteArray& devnode) {
        FakePad* pad = FakePad::At(devnode);
        if (!pad) {
            errno = ENOENT;
            return -1;
        }
        return pad->open();
    });
    // A fresh process would start with these at zero; earlier windows of
    // this test program have set them.
    g_cameraOpen = 0;
    g_cameraCount = 0;
    widgetsBefore = QApplication::topLevelWidgets();
    panel = std::make_unique<MainWindow>();
    panel->show();
    if (QWidget* joystick = child(QStringLiteral("widget")))
        tickSpy = std::make_unique<QSignalSpy>(joystick, SIGNAL(Speed_Tilt(int)));
}

PanelDriver::~PanelDriver()
{
    // Let go of anything a failed scenario left held.
    if (joystickHeld) {
        if (QWidget* joystick = child(QStringLiteral("widget")))
            sendMouse(joystick, QEvent::MouseButtonRelease, joystick->rect().center(), Qt::LeftButton, Qt::NoButton);
    }
    if (pressedSlider)
        QTest::mouseRelease(panel->windowHandle(), Qt::LeftButton, {}, sliderPos);
    tickSpy.reset();
    if (busServer)
        QDBusConnection::disconnectFromPeer(busPeer());
    service.reset();
    panel.reset();
    elsewhere.reset();
    pads.clear();
}

bool PanelDriver::waitForFirstPass(bool expectCamera)
{
    if (!QTest::qWaitForWindowExposed(panel.get()))
        return false;
    bool passed = false;
    if (expectCamera) {
        passed = QTest::qWaitFor([] { return g_cameraOpen == 1; }, kPassTimeoutMs);
    } else {
        // The first pass ends by showing a new no-device warning (earlier
        // windows of this program may have left theirs on screen).
        passed = QTest::qWaitFor(
            [&] {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (w->inherits("NO_Device") && w->isVisible() && !widgetsBefore.contains(w))
                        return true;
                }
                return false;
            },
            kPassTimeoutMs);
        passed = passed && g_cameraOpen == 0;
    }
    passed = passed && settle();
    bus.takeSetRequests();  // opening the camera is not part of a scenario
    activate();
    return passed && panel->isActiveWindow();
}

// A person comes back to the panel to use it: it takes the keyboard from
// the warning the pass may have put up.
void PanelDriver::activate()
{
    // What is queued goes first: a warning shown a moment ago takes the
    // keyboard when its activation is delivered.
    QCoreApplication::processEvents();
    panel->activateWindow();
    // The widget's own notion: Qt counts a window as active while a dialog
    // transient for it has the keyboard, which is not the panel having it.
    QVERIFY(QTest::qWaitFor([&] { return panel->isActiveWindow(); }, kPassTimeoutMs));
}

// Another program's window takes the keyboard.
void PanelDriver::blur()
{
    if (!elsewhere) {
        elsewhere = std::make_unique<QWidget>();
        elsewhere->setGeometry(700, 500, 100, 100);
    }
    elsewhere->show();
    elsewhere->activateWindow();
    QVERIFY(QTest::qWaitFor([&] { return !panel->isActiveWindow(); }, kPassTimeoutMs));
}

// The window manager's close: the program's event loop must end, with 0,
// whatever else is on screen.
void PanelDriver::closeWindow()
{
    qApp->setQuitOnLastWindowClosed(false);
    QTimer::singleShot(0, panel.get(), [this] { panel->close(); });
    // Should the close not end the loop, this ends it with a code that fails.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(kPassTimeoutMs);
    QCOMPARE(QApplication::exec(), 0);
}

int PanelDriver::shownWarnings(const char* className) const
{
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += w->inherits(className) && w->isVisible() && !widgetsBefore.contains(w);
    return shown;
}

QWidget* PanelDriver::child(const QString& name) const
{
    if (name == QLatin1String("window"))
        return panel.get();
    QWidget* widget = panel->findChild<QWidget*>(name);
    if (!widget) {
        panel->settingsPane();  // built the first time it is wanted
        widget = panel->findChild<QWidget*>(name);
    }
    return widget;
}

QSlider* PanelDriver::slider(const QString& name) const { return qobject_cast<QSlider*>(child(name)); }

QPoint PanelDriver::inWindow(QWidget* widget, QPoint local) const { return widget->mapTo(panel.get(), local); }

// The camera's requests are sent from its own thread: a step is over once
// the camera has answered them all and the window has heard it.
bool PanelDriver::settle()
{
    return QTest::qWaitFor([&] { return panel->camerasIdle(); }, kRequestTimeoutMs);
}

// "nowait <step>" runs the step and goes on while the camera answers, as
// do "slow" and "bus", which look at the window while it does.
void PanelDriver::run(const QString& step)
{
    if (step.startsWith(QLatin1String("nowait "))) {
        runUnsettled(step.mid(7));
        return;
    }
    if (step == QLatin1String("slow") || step.startsWith(QLatin1String("bus"))) {
        runUnsettled(step);
        return;
    }
    runUnsettled(step);
    QVERIFY2(settle(), "the camera's requests were not all answered");
}

QString PanelDriver::busPeer() const { return QStringLiteral("harness-%1").arg(quintptr(this)); }

ptzdeck::DeviceWorker* PanelDriver::cameraWorker() const
{
    return panel->findChild<ptzdeck::DeviceWorker*>(QString(), Qt::FindDirectChildrenOnly);
}

// "responsive <ms>": until the camera has answered everything, the event
// loop never goes `budgetMs` without running; a 5 ms beat measures it.
void PanelDriver::awaitResponsive(int budgetMs)
{
    ptzdeck::DeviceWorker* worker = cameraWorker();
    QVERIFY(worker);
    QVERIFY2(!worker->idle(), "the camera had nothing outstanding to be slow with");
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    QEventLoop loop;
    QObject::connect(worker, &ptzdeck::DeviceWorker::drained, &loop, &QEventLoop::quit);
    QTimer::singleShot(kRequestTimeoutMs, &loop, &QEventLoop::quit);
    beat.start();
    loop.exec();
    longest = std::max(longest, clock.elapsed() - last);
    qInfo("longest event-loop gap while the camera answered: %lld ms of %lld ms", longest, clock.elapsed());
    QVERIFY2(worker->idle(), "the camera's requests were not all answered");
    QVERIFY2(longest < budgetMs, qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(longest)));
}

// "bus": a client on the panel's interface reads a property. "bus answers":
// and has its answer while the camera still has requests outstanding.
void PanelDriver::busAnswers(bool whileBusy)
{
    const QString peer = busPeer();
    if (!busServer) {
        service = std::make_unique<PanelService>();
        service->attach(panel.get());
        busServer = std::make_unique<QDBusServer>(QStringLiteral("unix:tmpdir=") + QDir::tempPath());
        QVERIFY(busServer->isConnected());
        QObject::connect(busServer.get(), &QDBusServer::newConnection, service.get(), [this](const QDBusConnection& c) {
            QDBusConnection(c).registerObject(QString::fromLatin1(ptzdeck::remote::kObjectPath), service.get(),
                QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
            busExported = true;
        });
        QDBusConnection::connectToPeer(busServer->address(), peer);
        QVERIFY(QTest::qWaitFor([this] { return busExported; }, kRequestTimeoutMs));
    }
    QDBusMessage get = QDBusMessage::createMethodCall(QString(), QString::fromLatin1(ptzdeck::remote::kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(ptzdeck::remote::kInterface) << QStringLiteral("Muted");
    QDBusPendingCall answer = QDBusConnection(peer).asyncCall(get);
    QVERIFY(QTest::qWaitFor([&] { return answer.isFinished(); }, kRequestTimeoutMs));
    QVERIFY2(!answer.isError(), qPrintable(answer.error().message()));
    if (whileBusy)
        QVERIFY2(!cameraWorker()->idle(), "the camera answered first: nothing shows the bus was free meanwhile");
}

void PanelDriver::runUnsettled(const QString& step)
{
    const QStringList words = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QVERIFY2(!words.isEmpty(), "empty step");
    const QString verb = words[0];
    const QStringList args = words.mid(1);

    if (verb == QLatin1String("click")) {
        QCOMPARE(args.size(), 1);
        click(args[0]);
    } else if (verb == QLatin1String("key") || verb == QLatin1String("keyup") || verb == QLatin1String("keyrep")) {
        QCOMPARE(args.size(), 1);
        if (verb == QLatin1String("keyrep")) {
            // Holding a key delivers auto-repeated release and press pairs.
            key(args[0], false, true);
            key(args[0], true, true);
        } else {
            key(args[0], verb == QLatin1String("key"), false);
        }
    } else if (verb == QLatin1String("focus")) {
        QCOMPARE(args.size(), 1);
        if (args[0] == QLatin1String("window")) {
            // A click on the bare face gives the window itself the keyboard.
            QWidget* face = child(QStringLiteral("Win_Left"));
            QVERIFY(face);
            QTest::mouseClick(panel->windowHandle(), Qt::LeftButton, {}, inWindow(face, QPoint(12, 120)));
            QCOMPARE(panel->focusWidget(), panel.get());
        } else {
            QWidget* w = child(args[0]);
            QVERIFY2(w, qPrintable(args[0]));
            w->setFocus(Qt::TabFocusReason);
            QCOMPARE(panel->focusWidget(), w);
        }
    } else if (verb == QLatin1String("sent")) {
        expectSent(args);
    } else if (verb == QLatin1String("senton")) {
        // senton <camera> <operations...>
        QVERIFY(!args.isEmpty());
        expectSent(args.mid(1), args[0]);
    } else if (verb == QLatin1String("blur")) {
        blur();
    } else if (verb == QLatin1String("activate")) {
        activate();
        QVERIFY(panel->isActiveWindow());
    } else if (verb == QLatin1String("minimise")) {
        panel->showMinimized();
        QVERIFY(QTest::qWaitFor([&] { return panel->isMinimized(); }, kPassTimeoutMs));
    } else if (verb == QLatin1String("restore")) {
        panel->showNormal();
        activate();
    } else if (verb == QLatin1String("close")) {
        closeWindow();
    } else if (verb == QLatin1String("unplug")) {
        QCOMPARE(args.size(), 1);
        bus.unplug(args[0]);
    } else if (verb == QLatin1String("groove")) {
        QCOMPARE(args.size(), 2);
        groove(args[0], args[1].toDouble());
    } else if (verb == QLatin1String("field")) {
        QCOMPARE(args.size(), 2);
        auto* field = panel->findChild<QLineEdit*>(args[0]);
        QVERIFY2(field, qPrintable(args[0]));
        QCOMPARE(field->text(), args[1]);
    } else if (verb == QLatin1String("tabs")) {
        QCOMPARE(args.size(), 1);
        QString colours;
        for (int n = 1; n <= 5; ++n) {
            const QString sheet = child(QStringLiteral("btn_cam%1").arg(n))->styleSheet();
            colours += sheet.contains(QStringLiteral("_green.png"))   ? 'g'
                       : sheet.contains(QStringLiteral("_black.png")) ? 'b'
                                                                      : '?';
        }
        QCOMPARE(colours, args[0]);
    } else if (verb == QLatin1String("warnings")) {
        // warnings <no-device shown> <no-camera shown>
        QCOMPARE(args.size(), 2);
        QCOMPARE(shownWarnings("NO_Device"), args[0].toInt());
        QCOMPARE(shownWarnings("NO_Mord_Camera"), args[1].toInt());
    } else if (verb == QLatin1String("pane")) {
        QCOMPARE(args.size(), 1);
        QWidget* pane = child(QStringLiteral("Win_Right"));
        QCOMPARE(pane->isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"), args[0]);
        QCOMPARE(g_settingsShown, pane->isVisible() ? 1 : 0);
    } else if (verb == QLatin1String("dismiss")) {
        // OK on the newest warning of that kind.
        QCOMPARE(args.size(), 1);
        QWidget* shown = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->inherits(qPrintable(args[0])) && w->isVisible())
                shown = w;
        QVERIFY2(shown, qPrintable(args[0]));
        QWidget* ok = shown->findChild<QWidget*>(QStringLiteral("btn_ok"));
        QVERIFY(ok);
        QTest::mouseClick(ok, Qt::LeftButton);
        activate();
    } else if (verb == QLatin1String("await")) {
        awaitSent(args);
    } else if (verb == QLatin1String("ticks")) {
        QCOMPARE(args.size(), 1);
        waitTicks(args[0].toInt());
    } else if (verb == QLatin1String("joy")) {
        joystick(args);
    } else if (verb == QLatin1String("pad")) {
        pad(args);
    } else if (verb == QLatin1String("tray")) {
        QCOMPARE(trayGamepad(), args.join(QLatin1Char(' ')));
    } else if (verb == QLatin1String("ontop")) {
        QCOMPARE(args.size(), 1);
        QCOMPARE(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint), args[0] == QLatin1String("1"));
    } else if (verb == QLatin1String("drag")) {
        QCOMPARE(args.size(), 2);
        dragSlider(args[0], args[1].toInt());
    } else if (verb == QLatin1String("push")) {
        QCOMPARE(args.size(), 2);
        pushSlider(args[0], args[1].toInt());
    } else if (verb == QLatin1String("release")) {
        QCOMPARE(args.size(), 1);
        releaseSlider(args[0]);
    } else if (verb == QLatin1String("wheel")) {
        QCOMPARE(args.size(), 2);
        wheel(args[0], args[1].toInt());
    } else if (verb == QLatin1String("value")) {
        QCOMPARE(args.size(), 2);
        QSlider* s = slider(args[0]);
        QVERIFY2(s, qPrintable(args[0]));
        QCOMPARE(s->value(), args[1].toInt());
    } else if (verb == QLatin1String("face")) {
        QCOMPARE(args.size(), 2);
        QWidget* w = child(args[0]);
        QVERIFY2(w, qPrintable(args[0]));
        const QString expected = args[0] == QLatin1String("btn_mute") ? muteFace(args[1]) : keyFace(args[1]);
        QCOMPARE(w->styleSheet(), expected);
    } else if (verb == QLatin1String("enabled")) {
        QCOMPARE(args.size(), 2);
        QWidget* w = child(args[0]);
        QVERIFY2(w, qPrintable(args[0]));
        QCOMPARE(w->isEnabled(), args[1] == QLatin1String("1"));
    } else if (verb == QLatin1String("plug")) {
        QVERIFY(!args.isEmpty());
        bus.plug(args[0], args.mid(1));
    } else if (verb == QLatin1String("fault")) {
        QCOMPARE(args.size(), 2);
        bus.edit(args[0], QStringLiteral("fault.") + args[1]);
    } else if (verb == QLatin1String("notice")) {
        expectNotice(args);
    } else if (verb == QLatin1String("restart")) {
        restart();
    } else if (verb == QLatin1String("steps")) {
        awaitSteps(args);
    } else if (verb == QLatin1String("stepping")) {
        // The step timer runs while a stepped move lasts, and only then.
        QCOMPARE(args.size(), 1);
        QTimer* steps = panel->findChild<QTimer*>(QStringLiteral("stepTimer"));
        QVERIFY(steps);
        QCOMPARE(steps->isActive(), args[0] == QLatin1String("1"));
    } else if (verb == QLatin1String("presetfile")) {
        presetFile(args);
    } else if (verb == QLatin1String("slow")) {
        // The request under way has been so long that the camera counts as slow.
        QVERIFY(QTest::qWaitFor([this] { return cameraWorker()->slowToAnswer(); }, kRequestTimeoutMs));
    } else if (verb == QLatin1String("responsive")) {
        QCOMPARE(args.size(), 1);
        awaitResponsive(args[0].toInt());
    } else if (verb == QLatin1String("bus")) {
        busAnswers(args == QStringList{QStringLiteral("answers")});
    } else if (verb == QLatin1String("cameras")) {
        // A pass that plugging or unplugging caused has run to its end.
        QCOMPARE(args.size(), 1);
        const int count = args[0].toInt();
        QVERIFY2(QTest::qWaitFor(
                     [&] { return g_cameraCount == count && g_cameraOpen == (count > 0 ? 1 : 0); }, kPassTimeoutMs),
            qPrintable(QStringLiteral("cameras %1 / open %2").arg(g_cameraCount).arg(g_cameraOpen)));
        activate();
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step: ") + step));
    }
}

// "notice <words>": the one notice shows, saying those words (among
// others); "notice none": none shows once the input has been handled. No
// window other than the panel's own ever opens for it.
void PanelDriver::expectNotice(const QStringList& words)
{
    QVERIFY(!words.isEmpty());
    QWidget* notice = child(QStringLiteral("commandNotice"));
    QVERIFY(notice);
    QCOMPARE(panel->findChildren<QLabel*>(QStringLiteral("commandNotice")).size(), 1);
    if (words == QStringList{QStringLiteral("none")}) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY2(!notice->isVisible(), qPrintable(qobject_cast<QLabel*>(notice)->text()));
    } else {
        const QString wanted = words.join(QLatin1Char(' '));
        const auto says = [&] { return notice->isVisible() && qobject_cast<QLabel*>(notice)->text().contains(wanted); };
        QVERIFY2(QTest::qWaitFor(says, kPassTimeoutMs), qPrintable(QStringLiteral("wanted \"%1\", shown %2: \"%3\"")
                                                                       .arg(wanted)
                                                                       .arg(notice->isVisible())
                                                                       .arg(qobject_cast<QLabel*>(notice)->text())));
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != panel.get() && w->isVisible() && !widgetsBefore.contains(w) && !w->inherits("NO_Device"))
            QFAIL(qPrintable(QStringLiteral("a window opened: ") + w->metaObject()->className()));
    }
}

// The program quits and is started again on the same cameras and
// configuration.
void PanelDriver::restart()
{
    tickSpy.reset();
    panel.reset();
    g_cameraOpen = 0;
    g_cameraCount = 0;
    panel = std::make_unique<MainWindow>();
    panel->show();
    if (QWidget* joystick = child(QStringLiteral("widget")))
        tickSpy = std::make_unique<QSignalSpy>(joystick, SIGNAL(Speed_Tilt(int)));
    QVERIFY2(waitForFirstPass(true), "no camera after the restart");
}

// "steps PanTo up 3": at least three more positions of that axis arrive,
// each further that way than the one before, and nothing else; all of them
// are taken. With 0, whatever steps have come are taken. "steps PanTo up 3
// 28": the first of them is PanTo(28).
void PanelDriver::awaitSteps(const QStringList& args)
{
    QVERIFY(args.size() == 3 || args.size() == 4);
    const QString axis = args[0] + QLatin1Char('(');
    const int way = args[1] == QLatin1String("up") ? 1 : -1;
    const int atLeast = args[2].toInt();
    QVERIFY(QTest::qWaitFor([&] { return bus.peekSetRequests().size() >= atLeast; }, kRequestTimeoutMs));
    const QStringList got = describeAll(bus.takeSetRequests());
    int last = 0;
    for (int i = 0; i < got.size(); ++i) {
        QVERIFY2(got[i].startsWith(axis), qPrintable(got.join(QLatin1Char(' '))));
        const int value = got[i].mid(axis.size()).chopped(1).toInt();
        QVERIFY2(i == 0 || (value - last) * way > 0, qPrintable(got.join(QLatin1Char(' '))));
        if (i == 0 && args.size() == 4)
            QCOMPARE(value, args[3].toInt());
        last = value;
    }
}

// "presetfile none": there is none; "presetfile kept": it is there and
// remembered; "presetfile unchanged": it is byte for byte what was kept;
// "presetfile damage": it is cut in the middle, as a broken copy would be;
// "presetfile link": it is a relative link to a link to a file not yet
// made, as a dotfile manager leaves it; "presetfile linked": both links
// are still links, and the file at their end holds the presets.
void PanelDriver::presetFile(const QStringList& args)
{
    QCOMPARE(args.size(), 1);
    QFile file(bus.presetFile());
    const QString dotfiles = QFileInfo(bus.presetFile()).absolutePath() + QStringLiteral("/../../dotfiles");
    const QString middle = dotfiles + QStringLiteral("/presets.json");
    const QString end = dotfiles + QStringLiteral("/kept/presets.json");
    if (args[0] == QLatin1String("link")) {
        QVERIFY(QDir(dotfiles).removeRecursively() && QDir().mkpath(dotfiles + QStringLiteral("/kept")));
        QVERIFY(QDir().mkpath(QFileInfo(bus.presetFile()).absolutePath()));
        QVERIFY(QFile::link(QFileInfo(end).absoluteFilePath(), middle));
        QVERIFY(::symlink("../../dotfiles/presets.json", QFile::encodeName(bus.presetFile()).constData()) == 0);
    } else if (args[0] == QLatin1String("linked")) {
        QVERIFY(QFileInfo(bus.presetFile()).isSymLink());
        QVERIFY(QFileInfo(middle).isSymLink());
        QFile kept(end);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().contains("\"presets\""));
        QCOMPARE(QDir(dotfiles + QStringLiteral("/kept")).entryList(QDir::Files), QStringList{"presets.json"});
    } else if (args[0] == QLatin1String("none")) {
        QVERIFY(!file.exists());
    } else if (args[0] == QLatin1String("kept")) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        presetFileKept = file.readAll();
        QVERIFY(!presetFileKept.isEmpty());
    } else if (args[0] == QLatin1String("unchanged")) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), presetFileKept);
    } else if (args[0] == QLatin1String("damage")) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        QVERIFY(whole.size() > 10);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(whole.left(whole.size() / 2));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        presetFileKept = file.readAll();
    } else {
        QFAIL("presetfile none|kept|unchanged|damage|link|linked");
    }
}

void PanelDriver::click(const QString& name)
{
    QWidget* w = child(name);
    QVERIFY2(w && w->isVisible(), qPrintable(name));
    QTest::mouseClick(panel->windowHandle(), Qt::LeftButton, {}, inWindow(w, w->rect().center()));
}

void PanelDriver::key(const QString& name, bool press, bool autoRepeat)
{
    const Qt::Key k = keyNamed(name);
    QVERIFY2(k != Qt::Key_unknown, qPrintable(name));
    if (!autoRepeat) {
        if (press)
            QTest::keyPress(panel->windowHandle(), k);
        else
            QTest::keyRelease(panel->windowHandle(), k);
        return;
    }
    const QString text = name.size() == 1 ? name.toLower() : QString();
    qt_handleKeyEvent(
        panel->windowHandle(), press ? QEvent::KeyPress : QEvent::KeyRelease, k, Qt::NoModifier, text, true);
    qApp->processEvents();
}

// Press, move and release go straight to the joystick, one after another
// without a turn of the event loop, so that none of its 100 ms ticks can
// fall between a press and the first move of a drag. Each position is sent
// twice: the joystick repaints its knob (where the ticks read it) only on
// every second move.
void PanelDriver::joystick(const QStringList& args)
{
    QWidget* joystick = child(QStringLiteral("widget"));
    QVERIFY(joystick);
    QVERIFY(!args.isEmpty());
    if (args[0] == QLatin1String("press")) {
        QCOMPARE(args.size(), 2);
        sendMouse(joystick, QEvent::MouseButtonPress, parsePoint(args[1]), Qt::LeftButton, Qt::LeftButton);
        joystickHeld = true;
    } else if (args[0] == QLatin1String("move")) {
        QCOMPARE(args.size(), 2);
        QVERIFY(joystickHeld);
        const QPoint to = parsePoint(args[1]);
        sendMouse(joystick, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        sendMouse(joystick, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    } else if (args[0] == QLatin1String("release")) {
        QVERIFY(joystickHeld);
        sendMouse(joystick, QEvent::MouseButtonRelease, joystick->rect().center(), Qt::LeftButton, Qt::NoButton);
        joystickHeld = false;
    } else {
        QFAIL("joy press|move|release");
    }
}

// pad plug|refuse <name> [xbox|buttons]: a pad appears as udev announces one
//   (refuse: one whose node the user may not open).
// pad unplug <name>: udev reports it gone, and its node reads no more.
// pad yank <name>: its node stops reading, with no word from udev.
// pad <name> CODE=value...: one frame of events (evdev names), read by the
//   window before the step ends.
void PanelDriver::pad(const QStringList& args)
{
    auto* gamepads = panel->findChild<ptzdeck::Gamepads*>();
    QVERIFY(gamepads);
    QVERIFY(args.size() >= 2);
    const QString verb = args[0];
    if (verb == QLatin1String("plug") || verb == QLatin1String("refuse")) {
        const bool buttons = args.value(2) == QLatin1String("buttons");
        auto fake = std::make_unique<FakePad>(nextPadNumber++, buttons ? FakePad::DpadButtons() : FakePad::Xbox());
        if (verb == QLatin1String("refuse"))
            fake->refuse();
        const ptzdeck::platform::InputNode node{fake->syspath(), fake->devnode(), fake->name()};
        pads[args[1]] = std::move(fake);
        gamepads->padArrived(node);
        return;
    }
    if (verb == QLatin1String("unplug") || verb == QLatin1String("yank")) {
        FakePad* fake = pads.count(args[1]) ? pads[args[1]].get() : nullptr;
        QVERIFY2(fake, qPrintable(args[1]));
        QSignalSpy announced(gamepads, &ptzdeck::Gamepads::inUseChanged);
        fake->hangUp();
        if (verb == QLatin1String("unplug"))
            gamepads->padLeft(fake->syspath());
        // Let go of once the window has noticed (the menu is told).
        QVERIFY2(announced.count() > 0 || announced.wait(kRequestTimeoutMs), "the pad's leaving went unnoticed");
        return;
    }
    FakePad* fake = pads.count(verb) ? pads[verb].get() : nullptr;
    QVERIFY2(fake, qPrintable(verb));
    std::vector<std::vector<int>> events;
    for (const QString& word : args.mid(1)) {
        const QStringList codeValue = word.split(QLatin1Char('='));
        QVERIFY2(codeValue.size() == 2, qPrintable(word));
        const QByteArray name = codeValue[0].toLatin1();
        const int type = name.startsWith("ABS_") ? EV_ABS : EV_KEY;
        const int code = libevdev_event_code_from_name(type, name.constData());
        QVERIFY2(code >= 0, name.constData());
        events.push_back({type, code, codeValue[1].toInt()});
    }
    fake->send(events);
    QVERIFY2(QTest::qWaitFor([&] { return fake->drained(); }, kRequestTimeoutMs), "the window did not read the pad");
}

QString PanelDriver::trayGamepad() const
{
    auto* tray = panel->findChild<QSystemTrayIcon*>();
    if (!tray || !tray->contextMenu())
        return QStringLiteral("<no tray menu>");
    for (QAction* item : tray->contextMenu()->actions()) {
        if (item->text().startsWith(QLatin1String("Gamepad")) || item->text() == QLatin1String("No gamepad"))
            return item->text();
    }
    return QStringLiteral("<no gamepad item>");
}

// Presses the handle (once) and moves the pointer one pixel at a time until
// the slider shows the target, so every value on the way is reported.
void PanelDriver::dragSlider(const QString& name, int target)
{
    QSlider* s = slider(name);
    QVERIFY2(s && s->isEnabled(), qPrintable(name));
    if (pressedSlider != s) {
        QVERIFY(!pressedSlider);
        sliderPos = inWindow(s, sliderHandle(s).center());
        QTest::mousePress(panel->windowHandle(), Qt::LeftButton, {}, sliderPos);
        QVERIFY(s->isSliderDown());
        pressedSlider = s;
    }
    const bool vertical = s->orientation() == Qt::Vertical;
    for (int i = 0; i < 400 && s->value() != target; ++i) {
        const int towardsMax = target > s->value() ? 1 : -1;
        if (vertical)
            sliderPos.ry() -= towardsMax;
        else
            sliderPos.rx() += towardsMax;
        QTest::mouseMove(panel->windowHandle(), sliderPos);
    }
    QCOMPARE(s->value(), target);
}

// A press on the handle and a move up by some pixels, whatever the slider
// does with them (a disabled slider does nothing).
void PanelDriver::pushSlider(const QString& name, int pixels)
{
    QSlider* s = slider(name);
    QVERIFY2(s, qPrintable(name));
    QVERIFY(!pressedSlider);
    sliderPos = inWindow(s, sliderHandle(s).center());
    QTest::mousePress(panel->windowHandle(), Qt::LeftButton, {}, sliderPos);
    pressedSlider = s;
    for (int i = 0; i < pixels; ++i) {
        sliderPos.ry() -= 1;
        QTest::mouseMove(panel->windowHandle(), sliderPos);
    }
}

void PanelDriver::releaseSlider(const QString& name)
{
    QSlider* s = slider(name);
    QVERIFY2(s && s == pressedSlider, qPrintable(name));
    QTest::mouseRelease(panel->windowHandle(), Qt::LeftButton, {}, sliderPos);
    pressedSlider = nullptr;
}

void PanelDriver::wheel(const QString& name, int delta)
{
    QSlider* s = slider(name);
    QVERIFY2(s, qPrintable(name));
    const QPoint at = sliderHandle(s).center();
    QWheelEvent event(QPointF(at), QPointF(s->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(s, &event);
}

// A click on a slider's groove, `at` (0 to 1) along it, with the button the
// style lets jump the handle there; other buttons only page, and the sliders
// have no page step.
void PanelDriver::groove(const QString& name, double at)
{
    QSlider* s = slider(name);
    QVERIFY2(s, qPrintable(name));
    const int jump = s->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons);
    const Qt::MouseButton button = (jump & Qt::LeftButton)     ? Qt::LeftButton
                                   : (jump & Qt::MiddleButton) ? Qt::MiddleButton
                                                               : Qt::RightButton;
    QVERIFY2(jump & button, "the style lets no button jump a slider's handle");
    const QRect r = s->rect();
    const QPoint local = s->orientation() == Qt::Horizontal ? QPoint(r.left() + int(at * r.width()), r.center().y())
                                                            : QPoint(r.center().x(), r.bottom() - int(at * r.height()));
    QTest::mouseClick(panel->windowHandle(), button, {}, inWindow(s, local));
}

void PanelDriver::expectSent(const QStringList& operations, const QString& camera)
{
    const QList<CameraRequest> got = bus.takeSetRequests();
    QCOMPARE(describeAll(got), expectedAll(operations));
    // Everything goes to one camera: unless a step names another, the one
    // the discovery pass opened, index 0, the first .cam file by name.
    for (const CameraRequest& r : got)
        QCOMPARE(r.camera, camera);
}

void PanelDriver::awaitSent(const QStringList& operations)
{
    const QStringList expected = expectedAll(operations);
    // On a timeout the comparison below shows what did arrive.
    if (!QTest::qWaitFor([&] { return describeAll(bus.peekSetRequests()) == expected; }, kRequestTimeoutMs))
        qWarning("the expected requests did not arrive in time");
    expectSent(operations);
}

void PanelDriver::waitTicks(int count)
{
    QVERIFY(tickSpy);
    const int target = tickSpy->count() + count;
    QVERIFY2(QTest::qWaitFor([&] { return tickSpy->count() >= target; }, kRequestTimeoutMs),
        "the joystick stopped reporting");
}

// ------------------------------------------------------------ scenarios

void runScenario(
    SimBus& bus, const QStringList& cameras, const QStringList& steps, const std::optional<QString>& gamepadConf)
{
    bus.unplugAll();
    QFile::remove(bus.presetFile());  // each scenario is a user of its own
    for (const QString& camera : cameras) {
        const QStringList words = camera.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bus.plug(words.value(0), words.mid(1));
    }
    PanelDriver driver(bus, gamepadConf);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(driver.waitForFirstPass(!cameras.isEmpty()), "the first discovery pass did not end as expected");
    for (const QString& step : steps) {
        driver.run(step);
        if (QTest::currentTestFailed()) {
            qWarning("failed at step: %s", qPrintable(step));
            return;
        }
    }
}
