// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What a VISCA request does to one open camera: the same operations the
// panel sends for the same control, speeds mapped from VISCA's ranges onto
// what the camera takes, presets kept where the panel keeps them. Runs on
// the camera's own thread; every call may block as long as the camera does.
#pragma once

#include <lumetra/BaseDevice.h>

#include "visca/ViscaMessages.h"

namespace ptzdeck::bridge {

// Percentages applied to the speeds clients ask for (the configuration's
// speed scaling); 100 maps VISCA's fastest onto the camera's fastest.
struct SpeedScale {
    int pan = 100;
    int tilt = 100;
    int lens = 100;
};

struct Outcome {
    bool done = false;           // the camera took it: Completion, or the answer
    lumetra::visca::Bytes data;  // an inquiry's answer, between 90 50 and FF;
                                 // for a focus mode command, the mode set
};

class ViscaExecutor {
public:
    ViscaExecutor(BaseDevice& device, SpeedScale scale) : device_(device), scale_(scale) {}

    Outcome execute(const lumetra::visca::Message& message);
    // Stops every axis (the longest-move guard, a client gone).
    bool stopAll();
    // BaseDevice::StepMoves: due steps of a camera that moves by steps.
    int stepMoves() { return device_.StepMoves(); }

    // VISCA's fastest pan and tilt speeds (18h, 14h) and lens speed (7).
    static constexpr int kTopPan = 0x18;
    static constexpr int kTopTilt = 0x14;
    static constexpr int kTopLens = 7;
    // Pan and tilt positions travel as signed 16-bit numbers; the absolute
    // controls count arc seconds. One VISCA step is 1/14.4 degree, about a
    // Sony camera's, so ±170 degrees fits.
    static constexpr int kArcSecondsPerStep = 250;
    // The focus mode inquiry's answers, also the data of a command that set
    // the mode.
    static constexpr uint8_t kFocusAutomatic = 0x02;
    static constexpr uint8_t kFocusManual = 0x03;

private:
    bool generic() const { return !(device_.Abilities() & AbilityCommands); }
    int panSpeed(int visca) const;
    int tiltSpeed(int visca) const;
    int lensSpeed(int visca) const;
    bool drive(const lumetra::visca::Message& m);
    bool lens(bool zoom, const lumetra::visca::Message& m);
    bool moveTo(uint32_t axes, const CameraPosition& to);
    bool position(CameraPosition& where);
    bool memory(const lumetra::visca::Message& m);
    bool focusMode(bool automatic);

    BaseDevice& device_;
    SpeedScale scale_;
    // What the camera was last told, as the panel keeps it: never read back.
    bool focusAuto_ = true;
};

}  // namespace ptzdeck::bridge
