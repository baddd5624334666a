// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "gamepad/GamepadMapping.h"

#include "config/SettingLines.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>

namespace ptzdeck::gamepad {

namespace {

// A half axis counts as pressed past half its travel, and as let go again
// below a third of it, so that a trigger resting near the line cannot
// chatter.
constexpr double kEngage = 0.5;
constexpr double kRelease = 1.0 / 3;

// The on-screen joystick's cells: its knob rides a circle of 36 units and a
// cell's edge lies 20 units from the centre, so a diagonal covers the rim
// within about 11 degrees of 45.
constexpr double kCellEdge = 20.0 / 36.0;
constexpr int kTopStep = 7;

Input Key(int code) { return {EV_KEY, code, 0}; }
Input Half(int code, int direction) { return {EV_ABS, code, direction}; }
Input Whole(int code) { return {EV_ABS, code, 0}; }

struct ActionName {
    const char* name;
    Action action;
};

const ActionName kActionNames[] = {
    {"none", Action::None},
    {"pan", Action::Pan},
    {"tilt", Action::Tilt},
    {"pan-left", Action::PanLeft},
    {"pan-right", Action::PanRight},
    {"tilt-up", Action::TiltUp},
    {"tilt-down", Action::TiltDown},
    {"zoom-in", Action::ZoomIn},
    {"zoom-out", Action::ZoomOut},
    {"preset", Action::Recall},
    {"store", Action::Store},
    {"camera-previous", Action::CameraPrevious},
    {"camera-next", Action::CameraNext},
    {"home", Action::Home},
    {"stay-on-top", Action::StayOnTop},
    {"mute", Action::Mute},
    {"flip", Action::Flip},
    {"mirror", Action::Mirror},
    {"focus-mode", Action::FocusMode},
    {"framing", Action::Framing},
    {"push", Action::Push},
};

bool ParseInput(const QString& word, Input* input)
{
    QString name = word;
    int direction = 0;
    if (name.endsWith(QLatin1Char('+')) || name.endsWith(QLatin1Char('-'))) {
        direction = name.endsWith(QLatin1Char('+')) ? 1 : -1;
        name.chop(1);
    }
    const QByteArray latin = name.toLatin1();
    if (name.startsWith(QLatin1String("ABS_"))) {
        const int code = libevdev_event_code_from_name(EV_ABS, latin.constData());
        if (code < 0)
            return false;
        *input = {EV_ABS, code, direction};
        return true;
    }
    if (direction != 0)
        return false;  // only an axis has halves
    const int code = libevdev_event_code_from_name(EV_KEY, latin.constData());
    if (code < 0)
        return false;
    *input = Key(code);
    return true;
}

}  // namespace

bool IsHeld(Action action)
{
    switch (action) {
    case Action::PanLeft:
    case Action::PanRight:
    case Action::TiltUp:
    case Action::TiltDown:
    case Action::ZoomIn:
    case Action::ZoomOut:
        return true;
    default:
        return false;
    }
}

void Mapping::bind(const Binding& binding)
{
    const Input& in = binding.input;
    const bool analog = binding.action == Action::Pan || binding.action == Action::Tilt;
    const bool wholeAxis = in.type == EV_ABS && in.direction == 0;
    bindings.erase(std::remove_if(bindings.begin(), bindings.end(),
                       [&](const Binding& b) {
                           if (analog && b.action == binding.action)
                               return true;  // one axis per direction
                           if (b.input.type != EV_ABS || in.type != EV_ABS)
                               return b.input == in && b.modifier == binding.modifier;
                           if (b.input.code != in.code)
                               return false;
                           // An axis is either the joystick's or two halves.
                           const bool bWhole = b.input.direction == 0;
                           return wholeAxis || bWhole || (b.input == in && b.modifier == binding.modifier);
                       }),
        bindings.end());
    if (binding.action != Action::None)
        bindings.push_back(binding);
}

Mapping Mapping::Defaults()
{
    Mapping m;
    const auto bind = [&m](Input input, Action action, int number = 0, Input modifier = {}) {
        m.bind({input, modifier, action, number});
    };
    bind(Whole(ABS_X), Action::Pan);
    bind(Whole(ABS_Y), Action::Tilt);
    // The D-pad, as a hat or as four buttons: the arrow keys.
    bind(Half(ABS_HAT0X, -1), Action::PanLeft);
    bind(Half(ABS_HAT0X, 1), Action::PanRight);
    bind(Half(ABS_HAT0Y, -1), Action::TiltUp);
    bind(Half(ABS_HAT0Y, 1), Action::TiltDown);
    bind(Key(BTN_DPAD_LEFT), Action::PanLeft);
    bind(Key(BTN_DPAD_RIGHT), Action::PanRight);
    bind(Key(BTN_DPAD_UP), Action::TiltUp);
    bind(Key(BTN_DPAD_DOWN), Action::TiltDown);
    // Zoom: the right stick up and down, the triggers (analog or buttons).
    bind(Half(ABS_RY, -1), Action::ZoomIn);
    bind(Half(ABS_RY, 1), Action::ZoomOut);
    bind(Half(ABS_RZ, 1), Action::ZoomIn);
    bind(Half(ABS_Z, 1), Action::ZoomOut);
    bind(Key(BTN_TR2), Action::ZoomIn);
    bind(Key(BTN_TL2), Action::ZoomOut);
    // Presets 1 to 4 on the face buttons; with the left shoulder held, stored.
    const int faces[] = {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST};
    for (int preset = 1; preset <= 4; ++preset) {
        bind(Key(faces[preset - 1]), Action::Recall, preset);
        bind(Key(faces[preset - 1]), Action::Store, preset, Key(BTN_TL));
    }
    // The right shoulder held with the D-pad's left or right: another camera.
    bind(Half(ABS_HAT0X, -1), Action::CameraPrevious, 0, Key(BTN_TR));
    bind(Half(ABS_HAT0X, 1), Action::CameraNext, 0, Key(BTN_TR));
    bind(Key(BTN_DPAD_LEFT), Action::CameraPrevious, 0, Key(BTN_TR));
    bind(Key(BTN_DPAD_RIGHT), Action::CameraNext, 0, Key(BTN_TR));
    bind(Key(BTN_START), Action::Home);
    bind(Key(BTN_SELECT), Action::StayOnTop);
    return m;
}

Mapping ParseMapping(const QString& text, std::vector<ConfigProblem>* problems)
{
    Mapping mapping = Mapping::Defaults();
    const QRegularExpression space(QStringLiteral("\\s+"));
    for (const SettingLine& setting : SettingLines(text)) {
        const auto problem = [&](const QString& message) { problems->push_back({setting.number, message}); };
        if (!setting.hasEquals) {
            problem(QStringLiteral("expected <input> = <action>"));
            continue;
        }
        const QString& left = setting.key;
        const QStringList right = setting.value.split(space, Qt::SkipEmptyParts);
        if (left.isEmpty() || right.isEmpty()) {
            problem(QStringLiteral("expected <input> = <action>"));
            continue;
        }

        if (left == QLatin1String("deadzone")) {
            bool ok = false;
            const int percent = right.value(0).toInt(&ok);
            if (!ok || right.size() != 1 || percent < 0 || percent > 90) {
                problem(QStringLiteral("deadzone takes a percentage from 0 to 90"));
                continue;
            }
            mapping.deadZonePercent = percent;
            continue;
        }

        Binding binding;
        // "<modifier> + <input>": the plus that joins them is followed by a
        // name; a half axis's own plus ("ABS_RY+") is not.
        QStringList words;
        int from = 0;
        for (int at = 0; at < left.size(); ++at) {
            if (left[at] != QLatin1Char('+'))
                continue;
            int next = at + 1;
            while (next < left.size() && left[next].isSpace())
                ++next;
            if (next < left.size() && left[next].isLetter()) {
                words << left.mid(from, at - from).trimmed();
                from = at + 1;
            }
        }
        words << left.mid(from).trimmed();
        if (words.size() > 2 || words.contains(QString())) {
            problem(QStringLiteral("expected <input> or <modifier> + <input> before '='"));
            continue;
        }
        if (!ParseInput(words.last(), &binding.input)) {
            problem(QStringLiteral("unknown input \"%1\" (evdev names: BTN_SOUTH, ABS_X, or half an axis as ABS_RY-)")
                        .arg(words.last()));
            continue;
        }
        if (words.size() == 2) {
            if (!ParseInput(words.first(), &binding.modifier)) {
                problem(QStringLiteral("unknown input \"%1\"").arg(words.first()));
                continue;
            }
            if (binding.modifier.type == EV_ABS && binding.modifier.direction == 0) {
                problem(QStringLiteral("a modifier is a button or half an axis, not \"%1\"").arg(words.first()));
                continue;
            }
        }

        const QString actionName = right.first();
        const auto named = std::find_if(std::begin(kActionNames), std::end(kActionNames),
            [&](const ActionName& a) { return actionName == QLatin1String(a.name); });
        if (named == std::end(kActionNames)) {
            problem(QStringLiteral("unknown action \"%1\"").arg(actionName));
            continue;
        }
        binding.action = named->action;
        QStringList rest = right.mid(1);

        const bool analog = binding.action == Action::Pan || binding.action == Action::Tilt;
        const bool wholeAxis = binding.input.type == EV_ABS && binding.input.direction == 0;
        if (analog) {
            if (!wholeAxis) {
                problem(QStringLiteral("\"%1\" takes a whole axis, such as ABS_X").arg(actionName));
                continue;
            }
            if (binding.modifier.type != 0) {
                problem(QStringLiteral("\"%1\" takes no modifier").arg(actionName));
                continue;
            }
            binding.number = 1;
            if (!rest.isEmpty() && rest.first() == QLatin1String("inverted")) {
                binding.number = -1;
                rest.removeFirst();
            }
        } else if (wholeAxis && binding.action != Action::None) {
            problem(QStringLiteral("a whole axis can only be pan or tilt; give one half, as in %1-").arg(words.last()));
            continue;
        } else if (binding.action == Action::Recall || binding.action == Action::Store) {
            bool ok = false;
            binding.number = rest.value(0).toInt(&ok);
            if (rest.isEmpty() || !ok || binding.number < 0 || binding.number > 9) {
                problem(QStringLiteral("\"%1\" needs a preset number from 0 to 9").arg(actionName));
                continue;
            }
            rest.removeFirst();
        }
        if (!rest.isEmpty()) {
            problem(QStringLiteral("unexpected \"%1\" after the action").arg(rest.join(QLatin1Char(' '))));
            continue;
        }
        mapping.bind(binding);
    }
    return mapping;
}

StickReading ReadStick(double x, double y, double deadZone)
{
    double r = std::hypot(x, y);
    if (r > 1.0) {
        x /= r;
        y /= r;
        r = 1.0;
    }
    deadZone = std::clamp(deadZone, 0.0, 0.9);
    if (r <= deadZone || r == 0.0)
        return {};
    const double ux = x / r;
    const double uy = y / r;
    const auto band = [](double u) { return u <= -kCellEdge ? 0 : (u >= kCellEdge ? 2 : 1); };
    const int column = band(ux);
    const int row = band(uy);
    // Seven equal steps along each axis from the dead zone's edge to full
    // travel; an axis the place moves goes at least one step.
    const double travel = (r - deadZone) / (1.0 - deadZone);
    const auto step = [travel](double u) {
        return std::clamp(static_cast<int>(std::ceil(kTopStep * travel * std::abs(u) - 1e-9)), 1, kTopStep);
    };
    StickReading reading;
    reading.place = row * 3 + column;
    reading.panStep = column == 1 ? 0 : step(ux);
    reading.tiltStep = row == 1 ? 0 : step(uy);
    return reading;
}

PadMapper::PadMapper(const Mapping& mapping, PadSink& sink) : mapping_(mapping), sink_(sink)
{
    for (const Binding& b : mapping_.bindings) {
        if (b.action == Action::Pan) {
            panCode_ = b.input.code;
            panSign_ = b.number < 0 ? -1 : 1;
        } else if (b.action == Action::Tilt) {
            tiltCode_ = b.input.code;
            tiltSign_ = b.number < 0 ? -1 : 1;
        }
    }
}

void PadMapper::setAxis(int code, const AxisRange& range)
{
    Axis* axis = findAxis(code);
    if (!axis) {
        axes_.push_back({});
        axis = &axes_.back();
        axis->code = code;
    }
    axis->range = range;
    axis->value = range.rest;
}

PadMapper::Axis* PadMapper::findAxis(int code)
{
    for (Axis& axis : axes_)
        if (axis.code == code)
            return &axis;
    return nullptr;
}

bool PadMapper::isDown(const Input& input) const { return std::find(down_.begin(), down_.end(), input) != down_.end(); }

void PadMapper::key(int code, bool down)
{
    const Input input = Key(code);
    if (down == isDown(input))
        return;  // a repeat, or a release of what was never pressed
    if (down)
        press(input);
    else
        release(input);
}

void PadMapper::press(const Input& input)
{
    down_.push_back(input);
    const Binding* chosen = nullptr;
    for (const Binding& b : mapping_.bindings) {
        if (b.input != input)
            continue;
        if (b.modifier.type != 0 && isDown(b.modifier)) {
            chosen = &b;  // a held modifier wins over the plain binding
            break;
        }
        if (b.modifier.type == 0 && !chosen)
            chosen = &b;
    }
    if (!chosen)
        return;
    if (IsHeld(chosen->action)) {
        started_.push_back({input, chosen->action});
        sink_.held(chosen->action, true);
    } else if (chosen->action != Action::Pan && chosen->action != Action::Tilt) {
        sink_.pressed(chosen->action, chosen->number);
    }
}

void PadMapper::release(const Input& input)
{
    down_.erase(std::remove(down_.begin(), down_.end(), input), down_.end());
    // Whatever the press started ends, even if a modifier has changed since.
    for (auto it = started_.begin(); it != started_.end(); ++it) {
        if (it->input == input) {
            const Action action = it->action;
            started_.erase(it);
            sink_.held(action, false);
            return;
        }
    }
}

void PadMapper::axis(int code, int value)
{
    Axis* axis = findAxis(code);
    if (!axis)
        return;
    axis->value = value;
    axis->changed = true;
    if (code != panCode_ && code != tiltCode_)
        halves(*axis);
}

void PadMapper::halves(Axis& axis)
{
    const AxisRange& r = axis.range;
    const double offset = double(axis.value) - r.rest;
    const double towardsMax = r.maximum - r.rest;
    const double towardsMin = r.rest - r.minimum;
    const double plus = offset > 0 && towardsMax > 0 ? offset / towardsMax : 0.0;
    const double minus = offset < 0 && towardsMin > 0 ? -offset / towardsMin : 0.0;
    int target = axis.engaged;
    if ((axis.engaged == 1 && plus < kRelease) || (axis.engaged == -1 && minus < kRelease))
        target = 0;
    if (target == 0)
        target = plus >= kEngage ? 1 : (minus >= kEngage ? -1 : 0);
    if (target == axis.engaged)
        return;
    if (axis.engaged != 0)
        release(Half(axis.code, axis.engaged));
    axis.engaged = target;
    if (target != 0)
        press(Half(axis.code, target));
}

void PadMapper::frame()
{
    bool stickMoved = false;
    for (Axis& axis : axes_) {
        if (axis.changed && (axis.code == panCode_ || axis.code == tiltCode_))
            stickMoved = true;
        axis.changed = false;
    }
    if (stickMoved)
        stick();
}

void PadMapper::stick()
{
    double deadZone = mapping_.deadZonePercent / 100.0;
    // -1 to 1 around the axis's centre, and the pad's own flat if wider.
    const auto position = [this, &deadZone](int code, int sign) {
        const Axis* axis = findAxis(code);
        if (!axis || axis->range.maximum <= axis->range.minimum)
            return 0.0;
        const double centre = (double(axis->range.minimum) + axis->range.maximum) / 2.0;
        const double half = (double(axis->range.maximum) - axis->range.minimum) / 2.0;
        deadZone = std::max(deadZone, axis->range.flat / half);
        return sign * std::clamp((axis->value - centre) / half, -1.0, 1.0);
    };
    const double x = position(panCode_, panSign_);
    const double y = position(tiltCode_, tiltSign_);
    const StickReading reading = ReadStick(x, y, deadZone);
    if (reading.place == 4) {
        if (place_ != 4) {
            place_ = 4;
            sink_.joystick(4, panStep_, tiltStep_);
        }
        return;
    }
    if (reading.place == place_ && reading.panStep == panStep_ && reading.tiltStep == tiltStep_)
        return;
    place_ = reading.place;
    panStep_ = reading.panStep;
    tiltStep_ = reading.tiltStep;
    sink_.joystick(place_, panStep_, tiltStep_);
}

void PadMapper::releaseAll()
{
    while (!down_.empty()) {
        const Input input = down_.back();
        release(input);
    }
    for (Axis& axis : axes_)
        axis.engaged = 0;
    if (place_ != 4) {
        place_ = 4;
        sink_.joystick(4, panStep_, tiltStep_);
    }
}

}  // namespace ptzdeck::gamepad
