// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The running panel on the session bus: one name a session, and an
// interface whose methods are the window's own controls (packaging/dbus
// holds its description). Every call runs the control's code on the GUI
// thread and answers whether it happened, a camera's command once the
// camera's own thread has sent it; a value out of range is refused,
// naming the argument, before anything is sent. Every change of a property
// is announced with org.freedesktop.DBus.Properties.PropertiesChanged.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVariantList>
#include <functional>

class MainWindow;
namespace ptzdeck::remote {
class BridgeWatch;
}

class PanelService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.ptzdeck.Panel")
    Q_PROPERTY(QStringList Cameras READ cameras)
    Q_PROPERTY(int ChosenCamera READ chosenCamera)
    Q_PROPERTY(bool CameraOpen READ cameraOpen)
    Q_PROPERTY(bool AutoFocus READ autoFocus)
    Q_PROPERTY(bool AutoFraming READ autoFraming)
    Q_PROPERTY(bool Muted READ muted)
    Q_PROPERTY(bool Mirrored READ mirrored)
    Q_PROPERTY(bool Flipped READ flipped)
    Q_PROPERTY(bool Shown READ shown)
    Q_PROPERTY(bool StaysOnTop READ staysOnTop)
    Q_PROPERTY(bool BridgeServing READ bridgeServing)
    Q_PROPERTY(QStringList BridgePorts READ bridgePorts)

public:
    explicit PanelService(QObject* parent = nullptr);

    enum class Claim {
        Ours,   // this panel answers on the session bus
        Taken,  // another panel of this session has the name
        NoBus,  // no session bus: the panel runs without one
    };
    // Offers the interface, then takes the panel's name. Before the window
    // exists, so that a second panel started in the same moment knows it is
    // second before it shows anything; calls wait in the event queue.
    Claim claim();
    // The window the calls act on; calls before it answer that the panel is
    // starting.
    void attach(MainWindow* window);
    // Where the bridge's state comes from.
    void followBridge(const ptzdeck::remote::BridgeWatch* watch) { bridge = watch; }

    QStringList cameras() const;
    int chosenCamera() const;
    bool cameraOpen() const;
    bool autoFocus() const;
    bool autoFraming() const;
    bool muted() const;
    bool mirrored() const;
    bool flipped() const;
    bool shown() const;
    bool staysOnTop() const;
    bool bridgeServing() const;       // ptzdeck-bridge runs
    QStringList bridgePorts() const;  // one line a camera it serves

public slots:
    void RecallPreset(int preset);
    void StorePreset(int preset);
    void ClearPreset(int preset);
    void Move(const QString& direction, int panSpeed, int tiltSpeed);
    void MoveFor(const QString& direction, int panSpeed, int tiltSpeed, double seconds);
    void Stop();
    void ZoomIn();
    void ZoomOut();
    void ZoomStop();
    void FocusNear();
    void FocusFar();
    void FocusStop();
    void Home();
    void SetAutoFocus(bool on);
    void SetAutoFraming(bool on);
    void SetMute(bool on);
    void SetMirror(bool on);
    void SetFlip(bool on);
    void ChooseCamera(int camera);
    void Show();
    void Hide();
    void Toggle();
    void SetStayOnTop(bool on);

signals:
    // The cameras found, the chosen one (0 for none) or whether one is open changed.
    void CamerasChanged(const QStringList& cameras, int chosen, bool open);

private:
    void heard() const;  // logs the call being answered
    bool inRange(const char* argument, int value, int low, int high);
    int placeOf(const QString& direction);
    bool ready();  // a camera is open; refuses the call if not
    // For a command the camera answers later: the call's reply, or nothing
    // for a caller not on the bus.
    std::function<void(bool taken)> answerLater();
    void reply(QDBusConnection bus, const QDBusMessage& call, bool taken, const QString& refusal);
    void replyError(QDBusConnection bus, const QDBusMessage& call, const char* error, const QString& text);
    QString notTaken(const QString& what) const;
    void refuse(const char* error, const QString& text);
    bool moveArguments(const QString& direction, int panSpeed, int tiltSpeed, int& place);
    void endTimedMove(bool stop);
    void focus(int way);
    void camerasSettled();
    QVariantList propertyValues() const;
    void announceChangedProperties();

    MainWindow* window = nullptr;
    const ptzdeck::remote::BridgeWatch* bridge = nullptr;
    // A move that stops by itself, and the caller waiting for it to stop.
    QTimer timedMove;
    QDBusMessage timedCaller;
    int timedPlace = -1;
    int timedPanSpeed = 0;
    int timedTiltSpeed = 0;
    quint64 timedMoves = 0;  // moves begun, to know an answer's own
    // What the last CamerasChanged said, and the wait for the window to settle.
    QTimer settle;
    QStringList lastCameras;
    int lastChosen = 0;
    bool lastOpen = false;
    bool onBus = false;  // the name is ours: bus clients follow the properties
    // Every property as bus clients last heard it, in declaration order.
    QVariantList announced;
};
