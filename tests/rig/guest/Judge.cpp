// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Judge.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace rig {
namespace {

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " ") + part;
    return text.empty() ? "nothing" : text;
}

bool NeedsUsbfs(Carrier carrier) { return carrier != Carrier::Driver; }

}  // namespace

Outcome Returned(bool result) { return {result, result ? "true" : "false", true}; }

Outcome ReturnedValue(bool result, int value, int expected) {
    Outcome outcome{result, result ? "true " + std::to_string(value) : "false", true};
    if (result) outcome.valueAsExpected = value == expected;
    if (!outcome.valueAsExpected) outcome.shown += " (camera has " + std::to_string(expected) + ")";
    return outcome;
}

Judge::Judge(const std::string& logPath, std::vector<CameraId> cameras) : log_(logPath), cameras_(std::move(cameras)) {}

std::vector<Request> Judge::MarkAndTake(const CameraId* target) {
    ++sequence_;
    for (const CameraId& camera : cameras_) {
        const bool slow = std::find(slowMarks_.begin(), slowMarks_.end(), camera.name) != slowMarks_.end();
        if (slow && (target == nullptr || target->name != camera.name)) continue;
        bool probed = false;
        MarkCamera(camera.vendorId, camera.productId, sequence_, &probed);
        if (probed && !slow) slowMarks_.push_back(camera.name);
    }
    return log_.TakeNew();
}

void Judge::Settle(const CameraId* also) { MarkAndTake(also); }

void Judge::CheckQuiet(const CameraId& camera, const std::string& while_) {
    std::vector<std::string> received;
    for (const Request& request : MarkAndTake(&camera))
        if (request.camera == camera.name && request.request == "SET_CUR") received.push_back(Brief(request));
    Check(received.empty(), camera.name + " received nothing while " + while_ + " (" + Join(received) + ")");
}

void Judge::Check(bool condition, const std::string& what) {
    if (!condition) ++failures_;
    std::printf("RIG-CHECK %s %s\n", condition ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}

double Judge::Run(const Column& column, const Step& step) {
    const CameraId& target = column.camera;
    const bool unlent = column.reach != Reach::Device && step.unlent;
    const Carrier carrier = unlent ? Carrier::Driver : step.carrier;
    // A held camera takes nothing that needs usbfs; the rest is the same
    // wherever it runs.
    const bool refused = column.reach == Reach::Held && NeedsUsbfs(carrier);
    const bool expectedResult = refused ? false : unlent ? step.unlent->result : step.expectedResult;
    const std::vector<std::string> expected = refused  ? std::vector<std::string>{}
                                              : unlent ? step.unlent->expected
                                                       : step.expected;
    const bool lends = column.reach == Reach::Lent && carrier == Carrier::Usbfs;
    const std::string recipient = carrier == Carrier::Usbfs && column.reach == Reach::Device ? "device" : "interface";

    MarkAndTake(&target);
    const auto started = std::chrono::steady_clock::now();
    const Outcome outcome = step.call();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    std::vector<std::string> received, elsewhere;
    bool wrongRecipient = false, rebound = false;
    for (const Request& request : MarkAndTake(&target)) {
        // uvcvideo asks every control's GET_INFO when it binds the camera.
        if (request.camera == target.name && request.request == "GET_INFO" && request.recipient == "interface")
            rebound = true;
        if (request.request != "SET_CUR") continue;
        if (request.camera != target.name) {
            elsewhere.push_back(request.camera + ":" + Brief(request));
            continue;
        }
        received.push_back(Brief(request) + (request.stalled ? "(stalled)" : ""));
        wrongRecipient = wrongRecipient || request.recipient != recipient;
    }
    const bool good = outcome.result == expectedResult && outcome.valueAsExpected && received == expected &&
                      elsewhere.empty() && !wrongRecipient && rebound == lends;
    if (!good) ++failures_;

    std::string road = "-";
    if (!received.empty())
        road = recipient == "device" ? "usbfs to the device"
               : lends               ? "usbfs to the interface uvcvideo lent"
                                     : "uvcvideo";
    std::string verdict = good ? "ok" : "FAIL";
    if (received != expected) verdict += " (expected " + Join(expected) + ")";
    if (outcome.result != expectedResult)
        verdict += std::string(" (expected ") + (expectedResult ? "true" : "false") + ")";
    if (wrongRecipient) verdict += " (expected addressed to the " + recipient + ")";
    if (rebound != lends) verdict += rebound ? " (uvcvideo bound the camera again)" : " (uvcvideo never let go)";
    std::string receivedText = Join(received);
    if (!elsewhere.empty()) receivedText += " ELSEWHERE: " + Join(elsewhere);

    // How long a request through usbfs takes, by either road.
    char time[32] = "";
    if (carrier == Carrier::Usbfs && !refused) std::snprintf(time, sizeof time, ", %.0f ms", ms);
    std::printf("RIG-ROW | %s | %s | %s | %s | %s%s | %s | %s |\n", column.title.c_str(), step.operation.c_str(),
                outcome.shown.c_str(), receivedText.c_str(), road.c_str(), time, step.note.c_str(), verdict.c_str());
    std::fflush(stdout);

    if (std::find(columns_.begin(), columns_.end(), column.title) == columns_.end()) columns_.push_back(column.title);
    // An operation run again in a column gets a row of its own.
    std::string row = step.operation;
    for (int again = 2; cells_.count({row, column.title}) != 0; ++again)
        row = step.operation + " (" + std::to_string(again) + ")";
    if (std::find(rows_.begin(), rows_.end(), row) == rows_.end()) rows_.push_back(row);
    if (!step.note.empty() && notes_.count(row) == 0) notes_[row] = step.note;
    cells_[{row, column.title}] = outcome.shown + ": " + receivedText +
                                  (road == "-" ? "" : " (" + road + std::string(time) + ")") +
                                  (good ? "" : " " + verdict);
    return ms;
}

void Judge::PrintTable() const {
    std::string header = "| operation |", rule = "|---|";
    for (const std::string& column : columns_) {
        header += " " + column + " |";
        rule += "---|";
    }
    std::printf("RIG-TABLE %s note |\nRIG-TABLE %s---|\n", header.c_str(), rule.c_str());
    for (const std::string& row : rows_) {
        std::string line = "| " + row + " |";
        for (const std::string& column : columns_) {
            const auto cell = cells_.find({row, column});
            line += " " + (cell == cells_.end() ? std::string("-") : cell->second) + " |";
        }
        const auto note = notes_.find(row);
        std::printf("RIG-TABLE %s %s |\n", line.c_str(), note == notes_.end() ? "" : note->second.c_str());
    }
    std::fflush(stdout);
}

}  // namespace rig
