// Runs one library operation at a time against the rig's cameras and judges
// it by what the cameras received, printing one table row per operation.
#pragma once

#include <cstdint>
#include <functional>
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

struct Step {
    std::string operation;              // as written in the table, with arguments
    std::function<Outcome()> call;
    bool expectedResult;
    std::vector<std::string> expected;  // SET_CUR requests on the target camera, Brief() form
    std::string note;                   // why, where the road is not the obvious one
};

class Judge {
public:
    Judge(const std::string& logPath, std::vector<CameraId> cameras);

    void Run(const CameraId& target, const Step& step);
    void Check(bool condition, const std::string& what);
    // Forgets whatever the cameras received so far.
    void Settle();

    int Failures() const { return failures_; }

private:
    std::vector<Request> MarkAndTake();

    RequestLog log_;
    std::vector<CameraId> cameras_;
    uint16_t sequence_ = 0;
    int failures_ = 0;
};

Outcome Returned(bool result);
Outcome ReturnedValue(bool result, int value, int expected);

}  // namespace rig
