// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The cameras' side of the panel's log (ptzdeck.cameras): which camera was
// opened and how, and each command a camera did not take, with the cause
// the library gives.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <lumetra/BaseDevice.h>

// Logs `command` as not taken, with the device's fault.
void LogRefused(const BaseDevice* device, const char* command);

// Answers `taken`; when false, logs `command` as not taken, with the device's
// fault. Call it with the command's own answer, before anything else is
// sent, so the fault is that command's. Costs a branch when taken: it sits
// on the joystick's and the keys' paths.
inline bool Taken(const BaseDevice* device, const char* command, bool taken)
{
    if (!taken)
        LogRefused(device, command);
    return taken;
}

// A request for the camera's worker: true when the camera took it.
using DeviceRequest = std::function<bool(BaseDevice&)>;

// One operation as a request, logged as `command` when not taken.
inline DeviceRequest Op(const char* command, bool (BaseDevice::*operation)())
{
    return [command, operation](BaseDevice& device) { return Taken(&device, command, (device.*operation)()); };
}

inline DeviceRequest Op(const char* command, bool (BaseDevice::*operation)(int), int value)
{
    return
        [command, operation, value](BaseDevice& device) { return Taken(&device, command, (device.*operation)(value)); };
}

// Operations in this order on the wire, as one request: each is sent
// whatever the one before it answered; taken when every one was.
inline DeviceRequest AllOf(std::vector<DeviceRequest> operations)
{
    return [operations = std::move(operations)](BaseDevice& device) {
        bool taken = true;
        for (const DeviceRequest& operation : operations)
            taken = operation(device) && taken;
        return taken;
    };
}

// The camera just opened as tab `tab` (from 1); `listed` is its record from
// the last discovery pass, when there is one.
void LogOpened(BaseDevice* device, int tab, const DeviceInfo* listed);
