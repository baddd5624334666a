// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A UVC camera as seen from the USB cable: its VideoControl interface, its
// camera terminal and processing unit with their controls, and a record of
// every class request that reached it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fake {

using Bytes = std::vector<uint8_t>;

struct ReceivedRequest {
    uint8_t requestType;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    Bytes data;

    uint8_t Selector() const { return static_cast<uint8_t>(value >> 8); }
    uint8_t Unit() const { return static_cast<uint8_t>(index >> 8); }
};

struct UvcControl {
    uint8_t unit = 0;
    uint8_t selector = 0;
    Bytes min, max, res, def, cur;  // all of the control's size
    bool getCur = true;             // GET_INFO reports GET support
    bool setCur = true;
    int failWith = 0;  // -errno every request to it answers
};

class FakeUvcCamera {
public:
    FakeUvcCamera(uint16_t vendorId, uint16_t productId);

    uint16_t vendorId;
    uint16_t productId;
    uint8_t interfaceNumber = 0;
    uint8_t cameraTerminalId = 3;  // deliberately not 1
    uint8_t processingUnitId = 5;
    bool unplugged = false;
    // Camera terminal bmControls as the descriptor declares them; by default
    // derived from the camera-terminal controls added.
    bool declareControlsFromTable = true;
    uint32_t declaredTerminalControls = 0;
    // A camera that is also a microphone, in one configuration: its gadget
    // stalls every class request addressed to the device, which never
    // reaches the camera's function (counted here, not received).
    bool refusesDeviceRecipient = false;
    int refusedRequests = 0;
    // Unplugged the moment usbfs takes its interface from uvcvideo.
    bool unplugWhenInterfaceTaken = false;

    void AddTerminalControl(uint8_t selector, Bytes min, Bytes max, Bytes res, Bytes def, Bytes cur);
    void AddUnitControl(uint8_t selector, Bytes min, Bytes max, Bytes res, Bytes def, Bytes cur);
    void Remove(uint8_t unit, uint8_t selector);
    UvcControl* Find(uint8_t unit, uint8_t selector);
    UvcControl& Terminal(uint8_t selector);
    UvcControl& Unit(uint8_t selector);

    // A control request on the wire: bytes transferred, or -errno (a STALL
    // is -EPIPE). Every request is recorded, also those that fail.
    int Receive(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t* data, uint16_t length);
    std::vector<ReceivedRequest> received;
    // Only the SET_CUR requests, in order.
    std::vector<ReceivedRequest> Sets() const;

    uint32_t TerminalControlBits() const;
    // The raw descriptors (device descriptor + one configuration), as the
    // sysfs `descriptors` file and a read of the usbfs node give them.
    std::string Descriptors() const;

    std::vector<UvcControl> controls;
};

// The bmControls bit of a camera-terminal selector.
int TerminalBitOf(uint8_t selector);

// Little-endian bytes of a value of `size` bytes.
Bytes Le(int64_t value, size_t size);

// A fully featured PTZ camera with typical ranges (see the .cpp).
void AddTypicalPtzControls(FakeUvcCamera& camera);

}  // namespace fake
