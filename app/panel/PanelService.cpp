// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "panel/PanelService.h"

#include <QPointer>

#include <QAbstractEventDispatcher>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QMetaProperty>
#include <QVariantMap>

#include <algorithm>
#include <cmath>

#include "window/MainWindow.h"
#include "panel/BridgeWatch.h"
#include "panel/BusNames.h"
#include "logging/LogCategories.h"

using namespace ptzdeck::remote;

namespace {

constexpr int kTopPanSpeed = 21;
constexpr int kTopTiltSpeed = 14;
constexpr double kLongestMoveSeconds = 3600;
constexpr int kStopPlace = 4;  // the joystick's centre

// The joystick's places, row by row from the top left; 4, the centre, stops.
const struct {
    const char* name;
    int place;
} kDirections[] = {{"up-left", 0}, {"up", 1}, {"up-right", 2}, {"left", 3}, {"right", 5}, {"down-left", 6}, {"down", 7},
    {"down-right", 8}};

}  // namespace

PanelService::PanelService(QObject* parent) : QObject(parent)
{
    timedMove.setSingleShot(true);
    timedMove.setTimerType(Qt::PreciseTimer);
    connect(&timedMove, &QTimer::timeout, this, [this] { endTimedMove(true); });
    // A discovery pass passes through several states on its way (a tab lit
    // before the camera counts as open): one signal says where it ended.
    settle.setSingleShot(true);
    settle.setInterval(0);
    connect(&settle, &QTimer::timeout, this, &PanelService::camerasSettled);
}

PanelService::Claim PanelService::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCDebug(lcBus, "no session bus: %s", qPrintable(bus.lastError().message()));
        return Claim::NoBus;
    }
    const QString path = QString::fromLatin1(kObjectPath);
    if (!bus.registerObject(path, this,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties))
        return Claim::NoBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QString::fromLatin1(kServiceName), QDBusConnectionInterface::DontQueueService,
            QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        onBus = true;
        qCDebug(lcBus, "answering as %s on the session bus", kServiceName);
        return Claim::Ours;
    }
    qCDebug(lcBus, "%s: %s", kServiceName,
        reply.isValid() ? "another panel of this session has the name" : qPrintable(reply.error().message()));
    bus.unregisterObject(path);
    return reply.isValid() ? Claim::Taken : Claim::NoBus;
}

void PanelService::attach(MainWindow* panel)
{
    window = panel;
    connect(window, &QObject::destroyed, this, [this] { window = nullptr; });
    lastCameras = cameras();
    lastChosen = chosenCamera();
    lastOpen = cameraOpen();
    window->setCameraListener([this] { settle.start(); });
    if (!onBus)
        return;
    // Whatever changed the panel's state (a click, a key, a gamepad, a call,
    // a camera switched or plugged), it did so in an event the loop has just
    // handled: once it has handled them all, and before it waits, what
    // changed is announced. Nothing runs while the panel is idle.
    announced = propertyValues();
    connect(QAbstractEventDispatcher::instance(thread()), &QAbstractEventDispatcher::aboutToBlock, this,
        &PanelService::announceChangedProperties);
}

QVariantList PanelService::propertyValues() const
{
    QVariantList values;
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        values << meta->property(i).read(this);
    return values;
}

// One org.freedesktop.DBus.Properties.PropertiesChanged with every property
// whose value is not the one last announced.
void PanelService::announceChangedProperties()
{
    const QVariantList now = propertyValues();
    if (now == announced)
        return;
    const QMetaObject* meta = metaObject();
    QVariantMap changed;
    for (int i = 0; i < now.size(); ++i)
        if (now[i] != announced.value(i))
            changed.insert(QString::fromLatin1(meta->property(meta->propertyOffset() + i).name()), now[i]);
    announced = now;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// -- the state ------------------------------------------------------------------

QStringList PanelService::cameras() const { return window ? window->cameraNames() : QStringList(); }
int PanelService::chosenCamera() const { return window ? window->chosenCamera() : 0; }
bool PanelService::cameraOpen() const { return window && window->cameraReady(); }
bool PanelService::autoFocus() const { return window && window->autoFocus(); }
bool PanelService::autoFraming() const { return window && window->autoFraming(); }
bool PanelService::muted() const { return window && window->muted(); }
bool PanelService::mirrored() const { return window && window->mirrored(); }
bool PanelService::flipped() const { return window && window->flipped(); }
bool PanelService::shown() const { return window && window->panelShown(); }
bool PanelService::staysOnTop() const { return window && window->staysOnTop(); }
bool PanelService::bridgeServing() const { return bridge && bridge->running(); }
QStringList PanelService::bridgePorts() const { return bridge ? bridge->serving() : QStringList(); }

void PanelService::camerasSettled()
{
    const QStringList names = cameras();
    const int chosen = chosenCamera();
    const bool open = cameraOpen();
    if (names == lastCameras && chosen == lastChosen && open == lastOpen)
        return;
    // The camera a timed move was sent to has been let go, and its move
    // stopped with it.
    if (chosen != lastChosen || open != lastOpen)
        endTimedMove(false);
    lastCameras = names;
    lastChosen = chosen;
    lastOpen = open;
    emit CamerasChanged(names, chosen, open);
}

// -- answering ------------------------------------------------------------------

// Each call as it arrives: the method, its arguments and who called.
void PanelService::heard() const
{
    if (!lcBus().isDebugEnabled() || !calledFromDBus())
        return;
    const QDBusMessage call = message();
    QStringList arguments;
    for (const QVariant& argument : call.arguments()) {
        const QString text = argument.toString().left(40);  // a caller may send anything
        arguments << (argument.type() == QVariant::String ? QLatin1Char('"') + text + QLatin1Char('"') : text);
    }
    qCDebug(lcBus).noquote().nospace() << call.member() << "(" << arguments.join(QStringLiteral(", ")) << ") from "
                                       << call.service();
}

void PanelService::refuse(const char* error, const QString& text)
{
    qCDebug(lcBus).noquote().nospace() << message().member() << " answered " << error << ": " << text;
    sendErrorReply(QString::fromLatin1(error), text);
}

bool PanelService::inRange(const char* argument, int value, int low, int high)
{
    if (value >= low && value <= high)
        return true;
    refuse(kErrorInvalidArgs,
        QStringLiteral("%1 %2 is not %3 to %4").arg(QLatin1String(argument)).arg(value).arg(low).arg(high));
    return false;
}

bool PanelService::ready()
{
    if (window && window->cameraReady())
        return true;
    refuse(kErrorNoCamera, QStringLiteral("no camera is open"));
    return false;
}

// The camera's refusal, with its cause where the user can mend it.
QString PanelService::notTaken(const QString& what) const
{
    const QString why = window ? window->commandFault() : QString();
    return why.isEmpty() ? what : what + QStringLiteral(": ") + why;
}

// The camera's commands are answered once the camera's own thread has sent
// them, so a slow camera keeps only its own callers waiting.
std::function<void(bool)> PanelService::answerLater()
{
    if (!calledFromDBus())
        return {};
    setDelayedReply(true);
    QPointer<PanelService> self(this);
    return [self, bus = connection(), call = message()](bool taken) {
        if (self)
            self->reply(bus, call, taken, QStringLiteral("the camera did not take the command"));
    };
}

void PanelService::reply(QDBusConnection bus, const QDBusMessage& call, bool taken, const QString& refusal)
{
    if (taken) {
        bus.send(call.createReply());
        return;
    }
    replyError(bus, call, kErrorNotTaken, notTaken(refusal));
}

void PanelService::replyError(QDBusConnection bus, const QDBusMessage& call, const char* error, const QString& text)
{
    qCDebug(lcBus).noquote().nospace() << call.member() << " answered " << error << ": " << text;
    bus.send(call.createErrorReply(QString::fromLatin1(error), text));
}

// -- presets ----------------------------------------------------------------------

void PanelService::RecallPreset(int preset)
{
    heard();
    if (inRange("preset", preset, 0, 9) && ready())
        window->recallPreset(preset, answerLater());
}

void PanelService::StorePreset(int preset)
{
    heard();
    if (inRange("preset", preset, 0, 9) && ready())
        window->storePreset(preset, answerLater());
}

void PanelService::ClearPreset(int preset)
{
    heard();
    if (inRange("preset", preset, 0, 9) && ready())
        window->clearPreset(preset, answerLater());
}

// -- moving -----------------------------------------------------------------------

bool PanelService::moveArguments(const QString& direction, int panSpeed, int tiltSpeed, int& place)
{
    place = -1;
    for (const auto& known : kDirections)
        if (direction == QLatin1String(known.name))
            place = known.place;
    if (place < 0) {
        refuse(kErrorInvalidArgs, QStringLiteral("direction \"%1\" is not left, right, up, down, up-left, up-right, "
                                                 "down-left or down-right")
                                      .arg(direction.left(40)));
        return false;
    }
    return inRange("panSpeed", panSpeed, 0, kTopPanSpeed) && inRange("tiltSpeed", tiltSpeed, 0, kTopTiltSpeed);
}

void PanelService::Move(const QString& direction, int panSpeed, int tiltSpeed)
{
    heard();
    int place = -1;
    if (!moveArguments(direction, panSpeed, tiltSpeed, place) || !ready())
        return;
    endTimedMove(false);
    window->moveTowards(place, panSpeed, tiltSpeed, answerLater());
}

// Answered once the move has stopped. The same move asked for again while it
// runs (a key held down, repeating its shortcut) only puts its end later, so
// a held key keeps the camera going without a stutter, and it stops that
// long after the key is let go.
void PanelService::MoveFor(const QString& direction, int panSpeed, int tiltSpeed, double seconds)
{
    heard();
    int place = -1;
    if (!moveArguments(direction, panSpeed, tiltSpeed, place))
        return;
    if (!(seconds > 0 && seconds <= kLongestMoveSeconds)) {  // NaN too
        refuse(kErrorInvalidArgs,
            QStringLiteral("seconds %1 is not above 0 and up to %2").arg(seconds).arg(kLongestMoveSeconds));
        return;
    }
    if (!ready())
        return;
    const bool again =
        timedMove.isActive() && place == timedPlace && panSpeed == timedPanSpeed && tiltSpeed == timedTiltSpeed;
    if (again) {
        // The earlier caller's move goes on in this one.
        QDBusConnection::sessionBus().send(timedCaller.createReply());
    } else {
        endTimedMove(false);
        // A move the camera did not take ends at once, refused.
        QPointer<PanelService> self(this);
        window->moveTowards(place, panSpeed, tiltSpeed, [self, move = timedMoves + 1](bool taken) {
            if (!self || taken || self->timedPlace < 0 || self->timedMoves != move)
                return;
            self->timedMove.stop();
            self->timedPlace = -1;
            self->reply(QDBusConnection::sessionBus(), self->timedCaller, false,
                QStringLiteral("the camera did not take the command"));
            self->timedCaller = QDBusMessage();
        });
        ++timedMoves;
    }
    setDelayedReply(true);
    timedCaller = message();
    timedPlace = place;
    timedPanSpeed = panSpeed;
    timedTiltSpeed = tiltSpeed;
    timedMove.start(std::max(1, static_cast<int>(std::lround(seconds * 1000))));
}

// Ends the move that was to stop by itself: stopped now (`stop`), or taken
// over by another command. Its caller is answered either way.
void PanelService::endTimedMove(bool stop)
{
    if (timedPlace < 0)
        return;
    timedMove.stop();
    timedPlace = -1;
    QPointer<PanelService> self(this);
    const auto ended = [self, caller = timedCaller](bool taken) {
        if (self)
            self->reply(
                QDBusConnection::sessionBus(), caller, taken, QStringLiteral("the camera did not take the stop"));
    };
    timedCaller = QDBusMessage();
    if (stop && window && window->cameraReady())
        window->moveTowards(kStopPlace, 0, 0, ended);
    else
        ended(true);
}

void PanelService::Stop()
{
    heard();
    if (!ready())
        return;
    endTimedMove(false);
    window->moveTowards(kStopPlace, 0, 0, answerLater());
}

void PanelService::ZoomIn()
{
    heard();
    if (ready())
        window->zoom(1, answerLater());
}

void PanelService::ZoomOut()
{
    heard();
    if (ready())
        window->zoom(-1, answerLater());
}

void PanelService::ZoomStop()
{
    heard();
    if (ready())
        window->zoom(0, answerLater());
}

void PanelService::focus(int way)
{
    heard();
    if (!ready())
        return;
    if (!window->focusByHand()) {
        if (window->autoFocus())
            refuse(
                kErrorFocusIsAutomatic, QStringLiteral("focus is automatic: it moves in manual focus (af off) only"));
        else
            refuse(kErrorNotSupported, QStringLiteral("this camera has no focus to move"));
        return;
    }
    window->focus(way, answerLater());
}

void PanelService::FocusNear() { focus(-1); }
void PanelService::FocusFar() { focus(1); }
void PanelService::FocusStop() { focus(0); }

void PanelService::Home()
{
    heard();
    if (ready())
        window->goHome(answerLater());
}

// -- the camera's functions ------------------------------------------------------------

void PanelService::SetAutoFocus(bool on)
{
    heard();
    if (ready())
        window->setAutoFocus(on, answerLater());
}

void PanelService::SetAutoFraming(bool on)
{
    heard();
    if (ready())
        window->setAutoFraming(on, answerLater());
}

void PanelService::SetMute(bool on)
{
    heard();
    if (ready())
        window->setMuted(on, answerLater());
}

void PanelService::SetMirror(bool on)
{
    heard();
    if (ready())
        window->setMirrored(on, answerLater());
}

void PanelService::SetFlip(bool on)
{
    heard();
    if (ready())
        window->setFlipped(on, answerLater());
}

// As a click on the tab: a tab with no camera behind it warns in the window
// too, where the person who pressed the key is looking.
void PanelService::ChooseCamera(int camera)
{
    heard();
    if (!inRange("camera", camera, 1, 5) || !window)
        return;
    const int count = static_cast<int>(window->cameraNames().size());
    if (count == 0 || camera > count) {
        window->selectCamera(camera);
        if (count == 0)
            refuse(kErrorNoCamera, QStringLiteral("no camera is plugged in"));
        else
            refuse(kErrorNoSuchCamera, QStringLiteral("camera %1 is not plugged in (%2 found)").arg(camera).arg(count));
        return;
    }
    if (!calledFromDBus())
        return window->selectCamera(camera);
    setDelayedReply(true);
    QPointer<PanelService> self(this);
    window->selectCamera(camera, [self, camera, bus = connection(), call = message()](bool opened) {
        if (!self)
            return;
        if (opened && self->window && self->window->cameraReady() && self->window->chosenCamera() == camera)
            QDBusConnection(bus).send(call.createReply());
        else
            self->replyError(bus, call, kErrorNotTaken, QStringLiteral("camera %1 did not open").arg(camera));
    });
}

// -- the window -------------------------------------------------------------------------

void PanelService::Show()
{
    heard();
    if (window)
        window->showPanel();
}

void PanelService::Hide()
{
    heard();
    if (window)
        window->hidePanel();
}

void PanelService::Toggle()
{
    heard();
    if (window)
        window->toggleShown();
}

void PanelService::SetStayOnTop(bool on)
{
    heard();
    if (window && !window->setStaysOnTop(on))
        refuse(kErrorNotSupported, QStringLiteral("this desktop keeps no window on top of others"));
}
