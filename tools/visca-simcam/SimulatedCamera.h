// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What the simulated network camera does with one VISCA message: its
// replies, and the lines a USB simulated camera would log for the same
// operation, so that requests.log reads alike for both.
#pragma once

#include <string>
#include <vector>

#include "visca/ViscaFraming.h"

namespace visca_simcam {

using lumetra::visca::Bytes;

// The ways a real camera can be strict or slow (the .visca file's keys).
struct Strictness {
    bool rejectSpeed00 = false;  // reject-speed-00=1: a drive with a speed 00 is a syntax error
    int lateMs = 0;              // late=MS: every reply comes this late
    int bufferFull = 0;          // buffer-full=N: the next N commands are answered "buffer full"
    bool silent = false;         // silent=1: nothing is answered, nothing done
};

class SimulatedCamera {
public:
    explicit SimulatedCamera(std::string name) : name_(std::move(name)) {}

    // The replies to `message`, in order; `log` gets the lines to append.
    std::vector<Bytes> Handle(const Bytes& message, Strictness& strictness, std::vector<std::string>& log);

private:
    std::string Line(const char* set, int id, int value1, int value2, int flags) const;
    void Drive(int pan, int panSpeed, int tilt, int tiltSpeed, std::vector<std::string>& log);

    std::string name_;
    int pan_ = 0, tilt_ = 0;  // signed speeds of the last drive
    int zoom_ = 0, focus_ = 0x1000;
    bool focusAuto_ = true;
    int values_[256] = {};  // the picture family by function
};

}  // namespace visca_simcam
