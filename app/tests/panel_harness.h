// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Drives a real MainWindow on simulated cameras from scenario tables: each
// step is one line ("click btn_set", "key Left", "sent PresetSet(3)") and the
// requests the simulated camera received are checked in order.
#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <optional>

class FakePad;
class MainWindow;
class PanelService;
class QDBusServer;
namespace ptzdeck {
class DeviceWorker;
}
class QSignalSpy;
class QSlider;
class QWidget;

// One camera-control or proc-amp request as the simulated camera logged it.
struct CameraRequest {
    QString camera;
    QString set;  // "camera-control" or "proc-amp"
    int id = -1;
    int value1 = 0;
    int flags = 0;

    // The operation that sends exactly this request, e.g. "PanLeft(21)";
    // requests that two operations share get one name ("PanStop").
    QString describe() const;
};

// "TiltUp(14)", "PresetSet(3)", "ZoomStop" -> the request it must produce,
// already described; a name it does not know fails the test.
QString expectedRequest(const QString& operation);

// The simulated USB bus: a temporary directory of .cam files named through
// LUMETRA_SIM_DIR before the first library call of the process.
class SimBus {
public:
    SimBus();
    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    // <name>.cam, a supported camera; `lines` are further .cam lines
    // (faults, property values).
    void plug(const QString& name, const QStringList& lines = {});
    void unplug(const QString& name);
    // Adds a line to the camera's file, which it obeys from its next request.
    void edit(const QString& name, const QString& line);
    void unplugAll();
    // The presets file generic cameras keep theirs in: under this bus's own
    // configuration directory, never the user's.
    QString presetFile() const;
    // Every set request logged after the last call (or after construction).
    QList<CameraRequest> takeSetRequests();
    QList<CameraRequest> peekSetRequests() const;

private:
    QTemporaryDir dir;
    qint64 consumed = 0;  // bytes of requests.log already handed out
};

// Where the window built on `bus` reads its gamepad mapping.
QString gamepadConfPath(const SimBus& bus);

// One main window built on the bus, shown offscreen, after its first
// discovery pass. Steps report failures through QTest; check
// QTest::currentTestFailed() after each. `gamepadConf` is the user's
// gamepad.conf (none: no file).
class PanelDriver {
public:
    explicit PanelDriver(SimBus& bus, const std::optional<QString>& gamepadConf = std::nullopt);
    ~PanelDriver();

    // Waits for the first discovery pass: a camera opened, or the no-device
    // warning shown when the bus holds none.
    bool waitForFirstPass(bool expectCamera);
    // Runs a step, then waits until the camera answered what it sent.
    void run(const QString& step);
    void runUnsettled(const QString& step);
    bool settle();
    MainWindow& window() { return *panel; }

private:
    QWidget* child(const QString& name) const;
    QSlider* slider(const QString& name) const;
    QPoint inWindow(QWidget* widget, QPoint local) const;
    void click(const QString& name);
    void key(const QString& name, bool press, bool autoRepeat);
    void joystick(const QStringList& args);
    void dragSlider(const QString& name, int target);
    void pushSlider(const QString& name, int pixels);
    void releaseSlider(const QString& name);
    void wheel(const QString& name, int delta);
    void groove(const QString& name, double at);
    void activate();
    void blur();
    void closeWindow();
    int shownWarnings(const char* className) const;
    void expectSent(const QStringList& operations, const QString& camera = QStringLiteral("a"));
    void awaitSent(const QStringList& operations);
    void waitTicks(int count);
    void pad(const QStringList& args);
    QString trayGamepad() const;
    void expectNotice(const QStringList& words);
    void restart();
    void awaitSteps(const QStringList& args);
    void presetFile(const QStringList& args);
    ptzdeck::DeviceWorker* cameraWorker() const;
    void awaitResponsive(int budgetMs);
    void busAnswers(bool whileBusy);
    QString busPeer() const;

    SimBus& bus;
    std::unique_ptr<MainWindow> panel;
    std::unique_ptr<QSignalSpy> tickSpy;  // the joystick's last report of a tick
    QWidget* pressedSlider = nullptr;
    QPoint sliderPos;
    bool joystickHeld = false;
    QList<QWidget*> widgetsBefore;                     // top-level widgets that existed before the window
    std::unique_ptr<QWidget> elsewhere;                // another program's window, for taking the keyboard away
    QByteArray presetFileKept;                         // the presets file as it was when last looked at
    std::map<QString, std::unique_ptr<FakePad>> pads;  // by the name the steps give them
    int nextPadNumber = 40;
    // The panel's interface on a connection of the harness's own, once a step wants it.
    std::unique_ptr<PanelService> service;
    std::unique_ptr<QDBusServer> busServer;
    bool busExported = false;
};

// Builds a window on a bus holding `cameras` (by name; "a" sorts first and
// is the one opened; "b fault.bind=fail" adds .cam lines), waits for its
// first discovery pass and runs the steps.
void runScenario(SimBus& bus, const QStringList& cameras, const QStringList& steps,
    const std::optional<QString>& gamepadConf = std::nullopt);
