// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What a gamepad's sticks and buttons do: the bindings (the defaults and a
// user's gamepad.conf on top of them), and one pad's state turned into the
// window's own operations: the joystick's place and speed steps, held moves
// (the arrow keys, zoom) and one-shot commands.
#pragma once

#include <QString>
#include <vector>

namespace ptzdeck::gamepad {

enum class Action {
    None,
    // A whole axis as one of the on-screen joystick's two directions.
    Pan,
    Tilt,
    // Held: they go on while the input is held, as the arrow keys and T, W do.
    PanLeft,
    PanRight,
    TiltUp,
    TiltDown,
    ZoomIn,
    ZoomOut,
    // One-shot, on the press.
    Recall,  // a preset, by number
    Store,   // a preset, by number
    CameraPrevious,
    CameraNext,
    Home,
    StayOnTop,
    Mute,
    Flip,
    Mirror,
    FocusMode,
    Framing,
    Push,
};

bool IsHeld(Action action);

// A key (EV_KEY code), a whole axis (EV_ABS code, direction 0) or one half
// of an axis (direction +1: towards its maximum, -1: towards its minimum).
struct Input {
    int type = 0;  // 0: no input
    int code = 0;
    int direction = 0;

    bool operator==(const Input& other) const
    {
        return type == other.type && code == other.code && direction == other.direction;
    }
    bool operator!=(const Input& other) const { return !(*this == other); }
};

struct Binding {
    Input input;
    Input modifier;  // held while `input` is pressed; type 0: none
    Action action = Action::None;
    // Recall, Store: the preset 0 to 9. Pan, Tilt: -1 turns the axis round.
    int number = 0;
};

struct Mapping {
    std::vector<Binding> bindings;
    // Of a stick's travel from its centre, in percent: inside it the stick
    // is at rest. The pad's own flat, where larger, counts instead.
    int deadZonePercent = 15;

    static Mapping Defaults();
    // Adds a binding, replacing whatever the same input (with the same
    // modifier) did before; Pan and Tilt each belong to one axis.
    void bind(const Binding& binding);
};

struct ConfigProblem {
    int line = 0;  // from 1
    QString message;
};

// gamepad.conf on top of the defaults. A line that cannot be understood is
// left out and described in `problems`; nothing in the text can fail the
// whole file.
Mapping ParseMapping(const QString& text, std::vector<ConfigProblem>* problems);

// An axis as the pad describes it.
struct AxisRange {
    int minimum = 0;
    int maximum = 0;
    int flat = 0;
    int rest = 0;  // where it lies untouched: the centre, or one end for a trigger
};

// What one pad's inputs ask of the window.
class PadSink {
public:
    virtual ~PadSink() = default;
    // The joystick's place (0 to 8, 4 the centre) and speed steps (0 to 7).
    virtual void joystick(int place, int panStep, int tiltStep) = 0;
    virtual void held(Action action, bool down) = 0;
    virtual void pressed(Action action, int number) = 0;
};

// One pad's inputs against a mapping. Keys and half axes act as their
// events arrive; the stick is read once per frame (the pad's SYN_REPORT),
// when both of its axes have their new values.
class PadMapper {
public:
    PadMapper(const Mapping& mapping, PadSink& sink);

    // The ranges of the axes the pad has; an axis it lacks is never bound.
    void setAxis(int code, const AxisRange& range);
    void key(int code, bool down);
    void axis(int code, int value);
    void frame();
    // The pad is let go of (or unplugged): everything it started ends.
    void releaseAll();

    // The stick's place as last reported: 4 when at rest.
    int stickPlace() const { return place_; }

private:
    struct Axis {
        int code = 0;
        AxisRange range;
        int value = 0;
        bool changed = false;
        int engaged = 0;  // the half held as a button: +1, -1 or 0
    };
    struct Started {
        Input input;
        Action action = Action::None;
    };

    Axis* findAxis(int code);
    void press(const Input& input);
    void release(const Input& input);
    bool isDown(const Input& input) const;
    void halves(Axis& axis);
    void stick();

    const Mapping& mapping_;
    PadSink& sink_;
    std::vector<Axis> axes_;
    std::vector<Input> down_;       // inputs held now, keys and half axes
    std::vector<Started> started_;  // what each held input started
    int panCode_ = -1;
    int tiltCode_ = -1;
    int panSign_ = 1;
    int tiltSign_ = 1;
    int place_ = 4;
    int panStep_ = 0;
    int tiltStep_ = 0;
};

// Place and speed steps of a stick at (x, y), each from -1 to 1 (y down),
// with a dead zone (0 to 1) around the centre.
struct StickReading {
    int place = 4;
    int panStep = 0;
    int tiltStep = 0;
};
StickReading ReadStick(double x, double y, double deadZone);

}  // namespace ptzdeck::gamepad
