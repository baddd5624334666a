#include "Judge.h"

#include <cstdio>

namespace rig {
namespace {

std::string Join(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : " ") + part;
    return text.empty() ? "nothing" : text;
}

}  // namespace

Outcome Returned(bool result) { return {result, result ? "true" : "false", true}; }

Outcome ReturnedValue(bool result, int value, int expected) {
    Outcome outcome{result, result ? "true " + std::to_string(value) : "false", true};
    if (result) outcome.valueAsExpected = value == expected;
    if (!outcome.valueAsExpected) outcome.shown += " (camera has " + std::to_string(expected) + ")";
    return outcome;
}

Judge::Judge(const std::string& logPath, std::vector<CameraId> cameras)
    : log_(logPath), cameras_(std::move(cameras)) {}

std::vector<Request> Judge::MarkAndTake() {
    ++sequence_;
    for (const CameraId& camera : cameras_) MarkCamera(camera.vendorId, camera.productId, sequence_);
    return log_.TakeNew();
}

void Judge::Settle() { MarkAndTake(); }

void Judge::Check(bool condition, const std::string& what) {
    if (!condition) ++failures_;
    std::printf("RIG-CHECK %s %s\n", condition ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
}

void Judge::Run(const CameraId& target, const Step& step) {
    Settle();
    const Outcome outcome = step.call();
    std::vector<std::string> received, roads, elsewhere;
    for (const Request& request : MarkAndTake()) {
        if (request.request != "SET_CUR") continue;
        if (request.camera != target.name) {
            elsewhere.push_back(request.camera + ":" + Brief(request));
            continue;
        }
        received.push_back(Brief(request) + (request.stalled ? "(stalled)" : ""));
        const std::string road = request.recipient == "device" ? "usbfs" : "uvcvideo";
        if (roads.empty() || roads.back() != road) roads.push_back(road);
    }
    const bool good = outcome.result == step.expectedResult && outcome.valueAsExpected &&
                      received == step.expected && elsewhere.empty();
    if (!good) ++failures_;
    std::string receivedText = Join(received);
    if (!elsewhere.empty()) receivedText += " ELSEWHERE: " + Join(elsewhere);
    std::string verdict = good ? "ok" : "FAIL";
    if (!good && received != step.expected) verdict += " (expected " + Join(step.expected) + ")";
    if (!good && outcome.result != step.expectedResult)
        verdict += std::string(" (expected ") + (step.expectedResult ? "true" : "false") + ")";
    std::printf("RIG-ROW | %s | %s | %s | %s | %s | %s | %s |\n", target.name.c_str(), step.operation.c_str(),
                outcome.shown.c_str(), receivedText.c_str(), roads.empty() ? "-" : Join(roads).c_str(),
                step.note.empty() ? "" : step.note.c_str(), verdict.c_str());
    std::fflush(stdout);
}

}  // namespace rig
