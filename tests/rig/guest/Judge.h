// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs one library operation at a time against the rig's cameras and judges
// it by what the cameras received; keeps one table column per camera (and
// per way the camera is reached), one row per operation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "RequestLog.h"

namespace rig {

struct CameraId {
    std::string name;  // as the responder logs it
    uint16_t vendorId;
    uint16_t productId;
};

// What an operation returned, for the table ("true", "true 40", ...).
struct Outcome {
    bool result = false;
    std::string shown;
    bool valueAsExpected = true;
};

// How the library carries an operation to the camera.
enum class Carrier {
    Driver,              // V4L2 controls through uvcvideo
    Usbfs,               // a class request through usbfs
    DriverNeedingUsbfs,  // uvcvideo, but only once usbfs could undo it (a zoom only usbfs stops)
};

struct Step {
    std::string operation;  // as written in the table, with arguments
    std::function<Outcome()> call;
    bool expectedResult;
    std::vector<std::string> expected;  // SET_CUR requests on the target camera, Brief() form
    std::string note;                   // why, where the road is not the obvious one
    Carrier carrier = Carrier::Driver;
    // A move on a camera that takes usbfs only by lending (Reach Lent or
    // Held) never lends: what it returns and sends through uvcvideo instead.
    struct Unlent {
        bool result;
        std::vector<std::string> expected;
    };
    std::optional<Unlent> unlent = std::nullopt;
};

// How the class requests of a column's camera reach it, which decides what
// each step must show there.
enum class Reach {
    Device,  // addressed to the device; uvcvideo keeps the interface
    Lent,    // addressed to the interface, which uvcvideo lends and binds again
    Held,    // the camera refuses the device and another program holds it: nothing is sent
};

struct Column {
    std::string title;
    CameraId camera;
    Reach reach;
};

class Judge {
public:
    Judge(const std::string& logPath, std::vector<CameraId> cameras);

    // Runs `step` on the column's camera; the time it took, in ms.
    double Run(const Column& column, const Step& step);
    void Check(bool condition, const std::string& what);
    // Forgets whatever the cameras received so far (`also` among them,
    // whose mark is slow).
    void Settle(const CameraId* also = nullptr);
    // `camera` is marked only while it is the target: its requests at other
    // times are still seen, if a little later. Saves a mark per step.
    void MarkOnlyWhenDriven(const CameraId& camera) { slowMarks_.push_back(camera.name); }
    // Everything the cameras received since the last look, once `target`
    // has answered a mark: for judging steps of one's own.
    std::vector<Request> Take(const CameraId& target) { return MarkAndTake(&target); }
    // Checks that `camera`, whose marks are slow and so taken only while it
    // is the target, received no SET_CUR while the others were driven.
    void CheckQuiet(const CameraId& camera, const std::string& while_);
    // The table, as RIG-TABLE lines: a column per camera, a row per operation.
    void PrintTable() const;

    int Failures() const { return failures_; }

private:
    // Marks the target and every camera whose mark is quick.
    std::vector<Request> MarkAndTake(const CameraId* target = nullptr);

    RequestLog log_;
    std::vector<CameraId> cameras_;
    uint16_t sequence_ = 0;
    int failures_ = 0;
    std::vector<std::string> slowMarks_;  // marked only while driven (a format probe, or by choice)
    std::vector<std::string> columns_;
    std::vector<std::string> rows_;
    std::map<std::string, std::string> notes_;
    std::map<std::pair<std::string, std::string>, std::string> cells_;
};

Outcome Returned(bool result);
Outcome ReturnedValue(bool result, int value, int expected);

}  // namespace rig
