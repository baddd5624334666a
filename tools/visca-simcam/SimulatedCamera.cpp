// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "SimulatedCamera.h"

#include <cstdio>

#include "visca/ViscaCommands.h"
#include "visca/ViscaMessages.h"

namespace visca_simcam {

using namespace lumetra::visca;

namespace {

// The USB cameras' property numbers and flags, as requests.log shows them.
constexpr int kZoom = 3, kFocus = 6, kRoll = 2, kPanRelative = 10, kTiltRelative = 11, kZoomRelative = 13,
              kFocusRelative = 16;
constexpr int kAbsolute = 0x0, kManual = 0x2, kRelative = 0x10;
// The camera's own commands, sent in Roll.
constexpr int kMirrorOn = 0, kFlipOn = 2, kFocusAutoCode = 6, kFocusManualCode = 7, kHomeCode = 8;
constexpr int kPresetSet = 20, kPresetClear = 60, kPresetCall = 100;

int ProcAmpOf(uint8_t function)
{
    switch (function) {
    case kBrightness:
        return 0;
    case kColorGain:
        return 3;  // saturation
    case kAperture:
        return 4;  // sharpness
    case kBacklight:
        return 8;
    case kGain:
        return 9;
    default:
        return -1;
    }
}

}  // namespace

std::string SimulatedCamera::Line(const char* set, int id, int value1, int value2, int flags) const
{
    char line[160];
    std::snprintf(line, sizeof line, "%s ks-set %s %d value1=%d value2=%d flags=0x%x len=40", name_.c_str(), set, id,
        value1, value2, static_cast<unsigned>(flags));
    return line;
}

// A USB camera is told each axis on its own: the axes this drive changed,
// or both when it repeats the last.
void SimulatedCamera::Drive(int pan, int panSpeed, int tilt, int tiltSpeed, std::vector<std::string>& log)
{
    const int panNow = pan * panSpeed, tiltNow = tilt * tiltSpeed;
    const bool repeat = panNow == pan_ && tiltNow == tilt_;
    if (repeat || panNow != pan_)
        log.push_back(Line("camera-control", kPanRelative, panNow, 0, kRelative));
    if (repeat || tiltNow != tilt_)
        log.push_back(Line("camera-control", kTiltRelative, tiltNow, 0, kRelative));
    pan_ = panNow;
    tilt_ = tiltNow;
}

std::vector<Bytes> SimulatedCamera::Handle(const Bytes& message, Strictness& strictness, std::vector<std::string>& log)
{
    if (strictness.silent)
        return {};
    const Bytes done[2] = {Ack(1, 1), Completion(1, 1)};
    const std::vector<Bytes> taken(done, done + 2);
    const std::vector<Bytes> syntax = {Error(1, 0, kErrorSyntax)};
    const bool command = message.size() > 2 && message[1] == 0x01;
    if (command && strictness.bufferFull > 0) {
        --strictness.bufferFull;
        return {Error(1, 0, kErrorBufferFull)};
    }

    PictureMessage picture;
    if (ParsePictureMessage(message, picture)) {
        const int procAmp = ProcAmpOf(picture.function);
        if (picture.inquiry) {
            if (procAmp >= 0)
                log.push_back(name_ + " get proc-amp " + std::to_string(procAmp));
            const int v = values_[picture.function];
            if (IsSwitch(picture.function))
                return {InquiryAnswer(1, {static_cast<uint8_t>(v ? 0x02 : 0x03)})};
            return {InquiryAnswer(1, {0, 0, static_cast<uint8_t>(v >> 4), static_cast<uint8_t>(v & 0xF)})};
        }
        values_[picture.function] = IsSwitch(picture.function) ? picture.on : picture.value;
        if (picture.function == kMirror || picture.function == kFlip) {
            const int on = picture.function == kMirror ? kMirrorOn : kFlipOn;
            log.push_back(Line("camera-control", kRoll, picture.on ? on : on + 1, 0, kRelative));
        } else {
            log.push_back(Line("proc-amp", procAmp, values_[picture.function], 0, kManual));
        }
        return taken;
    }

    const Parsed parsed = ParseMessage(message);
    if (parsed.refusal != Refusal::None)
        return {Error(1, 0, parsed.refusal == Refusal::Syntax ? kErrorSyntax : kErrorNotExecutable)};
    const Message& m = parsed.message;
    switch (m.request) {
    case Request::PanTiltDrive:
        if (strictness.rejectSpeed00 && (m.panSpeed == 0 || m.tiltSpeed == 0))
            return syntax;
        Drive(m.panDirection, m.panSpeed, m.tiltDirection, m.tiltSpeed, log);
        return taken;
    case Request::PanTiltHome:
        pan_ = tilt_ = 0;
        log.push_back(Line("camera-control", kRoll, kHomeCode, 0, kRelative));
        return taken;
    case Request::Zoom:
    case Request::Focus: {
        // USB focus runs the other way: +1 is near.
        const bool zoom = m.request == Request::Zoom;
        const int way = zoom ? m.lensDirection : -m.lensDirection;
        log.push_back(Line("camera-control", zoom ? kZoomRelative : kFocusRelative, way,
            m.lensDirection == 0 ? 0 : m.lensSpeed, kRelative));
        return taken;
    }
    case Request::ZoomDirect:
        zoom_ = m.position;
        log.push_back(Line("camera-control", kZoom, m.position, 0, kAbsolute));
        return taken;
    case Request::FocusAuto:
    case Request::FocusManual:
        focusAuto_ = m.request == Request::FocusAuto;
        log.push_back(Line("camera-control", kRoll, focusAuto_ ? kFocusAutoCode : kFocusManualCode, 0, kRelative));
        return taken;
    case Request::MemoryReset:
    case Request::MemorySet:
    case Request::MemoryRecall: {
        const int base = m.request == Request::MemorySet     ? kPresetSet
                         : m.request == Request::MemoryReset ? kPresetClear
                                                             : kPresetCall;
        log.push_back(Line("camera-control", kRoll, base + m.memory, 0, kAbsolute));
        return taken;
    }
    case Request::VersionInquiry:
        // No maker's number: the camera is named by its address.
        return {InquiryAnswer(1, {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02})};
    case Request::ZoomInquiry:
        log.push_back(name_ + " get camera-control " + std::to_string(kZoom));
        return {InquiryAnswer(1, Nibbles16(zoom_))};
    case Request::FocusInquiry:
        log.push_back(name_ + " get camera-control " + std::to_string(kFocus));
        return {InquiryAnswer(1, Nibbles16(focus_))};
    case Request::FocusModeInquiry:
        return {InquiryAnswer(1, {static_cast<uint8_t>(focusAuto_ ? 0x02 : 0x03)})};
    case Request::PowerInquiry:
        return {InquiryAnswer(1, {0x02})};
    case Request::PowerOn:
    case Request::InterfaceClear:
        return taken;
    default:
        return {Error(1, 0, kErrorNotExecutable)};
    }
}

}  // namespace visca_simcam
