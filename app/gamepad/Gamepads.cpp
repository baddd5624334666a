// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "gamepad/Gamepads.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input-event-codes.h>
#include <map>

#include "gamepad/GamepadDevice.h"
#include "logging/LogCategories.h"

namespace ptzdeck {

using gamepad::Action;

namespace {

Gamepads::Opener& TestOpener()
{
    static Gamepads::Opener opener;
    return opener;
}

int OpenNode(const QByteArray& devnode)
{
    if (TestOpener())
        return TestOpener()(devnode);
    return open(devnode.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

// Where an axis lies untouched: a hat or a stick at its centre, a trigger
// at one end. Which one a pad's axis is shows in where it was when opened.
gamepad::AxisRange RangeOf(const platform::GamepadDevice::Axis& axis)
{
    gamepad::AxisRange range{axis.minimum, axis.maximum, axis.flat, 0};
    const int centre = axis.minimum + (axis.maximum - axis.minimum) / 2;
    const bool hat = axis.code >= ABS_HAT0X && axis.code <= ABS_HAT3Y;
    const bool atAnEnd = std::abs(axis.value - axis.minimum) < std::abs(axis.value - centre);
    range.rest = !hat && atAnEnd ? axis.minimum : centre;
    return range;
}

}  // namespace

// One pad's reports, marked with the pad they came from.
class Gamepads::Sink : public gamepad::PadSink {
public:
    Sink(Gamepads& owner, Pad& pad) : owner_(owner), pad_(pad) {}
    void joystick(int place, int panStep, int tiltStep) override;
    void held(Action action, bool down) override;
    void pressed(Action action, int number) override;

private:
    Gamepads& owner_;
    Pad& pad_;
};

struct Gamepads::Pad {
    platform::InputNode node;
    QString name;
    platform::GamepadDevice* device = nullptr;  // a child of the Gamepads
    std::unique_ptr<Sink> sink;
    std::unique_ptr<gamepad::PadMapper> mapper;
};

void Gamepads::Sink::joystick(int place, int panStep, int tiltStep)
{
    owner_.touched(&pad_);
    owner_.place_ = place;
    emit owner_.joystick(place, panStep, tiltStep);
}

void Gamepads::Sink::held(Action action, bool down)
{
    owner_.touched(&pad_);
    owner_.holdChanged(action, down);
}

void Gamepads::Sink::pressed(Action action, int number)
{
    owner_.touched(&pad_);
    emit owner_.pressed(action, number);
}

void Gamepads::SetOpenerForTesting(Opener opener) { TestOpener() = std::move(opener); }

Gamepads::Gamepads(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<Action>("ptzdeck::gamepad::Action");
    qRegisterMetaType<platform::InputNode>("ptzdeck::platform::InputNode");
}

// The window has let go of the pads already; the devices are children.
Gamepads::~Gamepads() = default;

QString Gamepads::MappingPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/ptzdeck/gamepad.conf");
}

void Gamepads::loadMapping()
{
    const QString path = MappingPath();
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << QStringLiteral("ptzdeck: cannot read %1 (%2); the gamepad keeps its default mapping")
                                    .arg(path, file.errorString());
        return;
    }
    std::vector<gamepad::ConfigProblem> problems;
    mapping_ = gamepad::ParseMapping(QString::fromUtf8(file.readAll()), &problems);
    for (const gamepad::ConfigProblem& p : problems)
        qWarning().noquote() << QStringLiteral("ptzdeck: %1:%2: %3; line ignored").arg(path).arg(p.line).arg(p.message);
}

void Gamepads::padArrived(const platform::InputNode& node)
{
    for (const auto& pad : pads_)
        if (pad->node.syspath == node.syspath)
            return;  // both found at start and announced
    const int fd = OpenNode(node.devnode);
    if (fd < 0) {
        const int error = errno;
        qCDebug(lcGamepad).noquote() << QStringLiteral("gamepad \"%1\" at %2 cannot be opened: %3")
                                            .arg(node.name, QString::fromLocal8Bit(node.devnode),
                                                QString::fromLocal8Bit(std::strerror(error)));
        if (error == EACCES || error == EPERM) {
            // Said once a pad: the panel goes on without it.
            if (!refused_.contains(node.name)) {
                refused_.insert(node.name);
                qWarning().noquote() << QStringLiteral(
                    "ptzdeck: no access to the gamepad \"%1\" (%2): %3; going on without it. A desktop session "
                    "gives the user at the seat access to gamepads.")
                                            .arg(node.name, QString::fromLocal8Bit(node.devnode),
                                                QString::fromLocal8Bit(std::strerror(error)));
            }
            refusedNodes_[node.syspath] = node.name;
            announce();
        }
        return;  // gone again already, or no input device
    }
    int error = 0;
    platform::GamepadDevice* device = platform::GamepadDevice::Adopt(fd, &error, this);
    if (!device) {
        qCDebug(lcGamepad).noquote() << QStringLiteral("%1 at %2 is not a gamepad evdev can read: %3")
                                            .arg(node.name, QString::fromLocal8Bit(node.devnode),
                                                QString::fromLocal8Bit(std::strerror(error)));
        return;
    }

    auto pad = std::make_unique<Pad>();
    pad->node = node;
    pad->name = device->name().isEmpty() ? node.name : device->name();
    pad->device = device;
    pad->sink = std::make_unique<Sink>(*this, *pad);
    pad->mapper = std::make_unique<gamepad::PadMapper>(mapping_, *pad->sink);
    for (const platform::GamepadDevice::Axis& axis : device->axes())
        pad->mapper->setAxis(axis.code, RangeOf(axis));
    Pad* raw = pad.get();
    connect(device, &platform::GamepadDevice::event, this, [raw](int type, int code, int value) {
        if (type == EV_KEY)
            raw->mapper->key(code, value != 0);
        else if (type == EV_ABS)
            raw->mapper->axis(code, value);
        else if (type == EV_SYN && code == SYN_REPORT)
            raw->mapper->frame();
    });
    connect(device, &platform::GamepadDevice::gone, this, [this, raw] { remove(raw); });
    qCDebug(lcGamepad).noquote() << QStringLiteral("gamepad found: \"%1\" at %2 (%3 axes)")
                                        .arg(raw->name, QString::fromLocal8Bit(node.devnode))
                                        .arg(device->axes().size());
    pads_.push_back(std::move(pad));
    if (!inUse_)
        inUse_ = raw;
    announce();
}

void Gamepads::padLeft(const QByteArray& syspath)
{
    if (refusedNodes_.erase(syspath))
        announce();
    for (const auto& pad : pads_) {
        if (pad->node.syspath == syspath) {
            remove(pad.get());
            return;
        }
    }
}

// What the pad held ends; a pad unplugged mid-move stops the move.
void Gamepads::remove(Pad* pad)
{
    const auto it = std::find_if(pads_.begin(), pads_.end(), [pad](const auto& p) { return p.get() == pad; });
    if (it == pads_.end())
        return;
    std::unique_ptr<Pad> leaving = std::move(*it);
    pads_.erase(it);
    qCDebug(lcGamepad).noquote() << QStringLiteral("gamepad lost: \"%1\" at %2")
                                        .arg(leaving->name, QString::fromLocal8Bit(leaving->node.devnode));
    leaving->mapper->releaseAll();
    // It may be reading right now: deleted once back in the event loop.
    leaving->device->disconnect(this);
    leaving->device->deleteLater();
    if (inUse_ == pad)
        inUse_ = pads_.empty() ? nullptr : pads_.front().get();
    announce();
}

void Gamepads::releaseAll()
{
    for (const auto& pad : pads_)
        pad->mapper->releaseAll();
}

void Gamepads::touched(Pad* pad)
{
    if (inUse_ == pad)
        return;
    inUse_ = pad;
    announce();
}

void Gamepads::holdChanged(Action action, bool down)
{
    // Held by any input of any pad: it starts with the first and ends with
    // the last to let go.
    if (down) {
        holding_.push_back(action);
        if (std::count(holding_.begin(), holding_.end(), action) == 1)
            emit held(action, true);
        return;
    }
    const auto it = std::find(holding_.begin(), holding_.end(), action);
    if (it == holding_.end())
        return;
    holding_.erase(it);
    if (std::find(holding_.begin(), holding_.end(), action) == holding_.end())
        emit held(action, false);
}

bool Gamepads::holds(Action action) const
{
    return std::find(holding_.begin(), holding_.end(), action) != holding_.end();
}

int Gamepads::stickPlace() const { return place_; }

QString Gamepads::inUse() const
{
    if (inUse_)
        return QCoreApplication::translate("Gamepads", "Gamepad: %1").arg(inUse_->name);
    if (!refusedNodes_.empty())
        return QCoreApplication::translate("Gamepads", "Gamepad: %1 (no access)").arg(refusedNodes_.begin()->second);
    return QCoreApplication::translate("Gamepads", "No gamepad");
}

void Gamepads::announce() { emit inUseChanged(inUse()); }

}  // namespace ptzdeck
