// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// One simulated camera as the bus has it plugged in: answers property
// requests like a camera and writes each one it receives to the bus's log.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimCameraModel.h"

namespace lumetra::platform::sim {

// Where a bus writes the requests its cameras receive, one line each.
class RequestLog {
public:
    virtual ~RequestLog() = default;
    virtual void Append(const std::string& line) = 0;
    // The raw bytes of a KsPropertySet::Set, for checks the line cannot show.
    virtual void RecordKsSet(const std::string& camera, const void* instance, uint32_t instanceLength, const void* data,
                             uint32_t dataLength) {
        (void)camera, (void)instance, (void)instanceLength, (void)data, (void)dataLength;
    }
};

class SimCamera {
public:
    SimCamera(std::string logName, SimCameraModel model, std::shared_ptr<RequestLog> log);
    virtual ~SimCamera() = default;
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // The name requests are logged under.
    const std::string& LogName() const { return logName_; }
    // Live description: change values and faults while the camera is in use.
    SimCameraModel& Model() { return model_; }

    // False once the camera has been unplugged; a camera never comes back
    // (plugging in again is a new camera).
    bool Plugged();
    void Unplug() { plugged_ = false; }

    // The requests. An unplugged camera answers kDeviceGone and logs
    // nothing; a malformed request (null pointers, a buffer that is neither
    // 40 nor 48 bytes) is refused with kInvalidArg and not logged. Anything
    // else is logged, then answered: kNotFound for a property the camera
    // lacks, kFail for a request kind the property is told to fail.
    HResult KsSet(PropertySet set, uint32_t id, const void* instance, uint32_t instanceLength, const void* data,
                  uint32_t dataLength);
    HResult Get(PropertySet set, int32_t property, int32_t* value, int32_t* flags);
    // Both halves of a pair, logged as a get of the property.
    HResult GetPair(PropertySet set, int32_t property, int32_t* value1, int32_t* value2, int32_t* flags);
    HResult GetRange(PropertySet set, int32_t property, int32_t* min, int32_t* max, int32_t* step,
                     int32_t* defaultValue, int32_t* capsFlags);
    HResult Set(PropertySet set, int32_t property, int32_t value, int32_t flags);

protected:
    // A bus whose cameras live outside the process checks here whether the
    // camera is still there (and picks up changes to its description).
    virtual bool StillThere() { return true; }

private:
    SimProperty* Find(PropertySet set, int64_t property);
    // Waits out the camera's answer delay, after the request is logged.
    void AnswerLate() const;
    HResult Apply(PropertySet set, int64_t property, SimRequestKind kind, int32_t value, int32_t flags,
                  const int32_t* value2 = nullptr);

    std::string logName_;
    SimCameraModel model_;
    std::shared_ptr<RequestLog> log_;
    bool plugged_ = true;
};

// Text of the property set in log lines.
const char* SetName(PropertySet set);

}  // namespace lumetra::platform::sim
