// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The routing table: every kernel-streaming property the library sends, and
// the UVC request the camera receives for it, as its class driver would send
// it (same unit, same selector, same bytes), by the least disruptive road
// Linux allows:
//
//   - a V4L2 control, where uvcvideo maps the property and maps it right;
//   - otherwise a usbfs SET_CUR class request to the camera terminal with
//     bmRequestType 0x20 (device recipient) and wIndex = terminal id << 8 |
//     VideoControl interface. usbfs refuses the interface recipient (0x21)
//     while uvcvideo owns the interface; the device recipient reaches the
//     camera and leaves the video node alone. Only a camera that stalls the
//     device recipient (one whose configuration also holds a microphone)
//     gets it on the interface, which uvcvideo lends for the request, and
//     only while no other program holds the camera: lending it destroys
//     /dev/videoN under any program streaming (UsbfsRoads.h). Only the
//     command channel (Roll) is lent for; on such a camera the moves keep
//     to uvcvideo: the slowest speed the kernel carries that way for pan
//     and tilt, the absolute controls for zoom and focus.
//
// camera-control      flags       road                          the camera receives
// PAN (0)             not AUTO    V4L2 PAN_ABSOLUTE             CT PANTILT_ABSOLUTE (0x0D): dwPan = Value1, dwTilt kept
// TILT (1)            not AUTO    V4L2 TILT_ABSOLUTE            CT PANTILT_ABSOLUTE (0x0D): dwTilt = Value1, dwPan kept
// ROLL (2)            any         usbfs                         CT ROLL_ABSOLUTE (0x0F): wAbsolute = Value1 (the command code)
// ZOOM (3)            not AUTO    V4L2 ZOOM_ABSOLUTE            CT ZOOM_ABSOLUTE (0x0B): wObjectiveFocalLength = Value1
// EXPOSURE (4)        AUTO        V4L2 EXPOSURE_AUTO            CT AE_MODE (0x02): auto (2), else aperture priority (8)
//                     MANUAL      EXPOSURE_AUTO, then _ABSOLUTE AE_MODE manual (1) or shutter priority (4), then
//                     other       V4L2 EXPOSURE_ABSOLUTE          CT EXPOSURE_TIME_ABSOLUTE (0x04): 10000 * 2^Value1
// IRIS (5)            not AUTO    V4L2 IRIS_ABSOLUTE            CT IRIS_ABSOLUTE (0x09): wIrisAbsolute = Value1
// FOCUS (6)           AUTO        V4L2 FOCUS_AUTO               CT FOCUS_AUTO (0x08): 1
//                     MANUAL      FOCUS_AUTO, then _ABSOLUTE    CT FOCUS_AUTO: 0, then
//                     other       V4L2 FOCUS_ABSOLUTE             CT FOCUS_ABSOLUTE (0x06): wFocusAbsolute = Value1
// PAN_RELATIVE (10)   not AUTO    V4L2 PAN_SPEED + TILT_SPEED,  CT PANTILT_RELATIVE (0x0E): bPanRelative = sign of Value1,
//                                 usbfs for a clamped speed       bPanSpeed = |Value1|, tilt bytes = last tilt asked for
// TILT_RELATIVE (11)  not AUTO    as PAN_RELATIVE               CT PANTILT_RELATIVE (0x0E): the tilt bytes, pan kept
// ZOOM_RELATIVE (13)  not AUTO    V4L2 ZOOM_CONTINUOUS,         CT ZOOM_RELATIVE (0x0C): bZoom = sign, bDigitalZoom = 0,
//                                 usbfs for a clamped value       bSpeed = |Value1| (no zoom starts that only usbfs
//                                                                 could stop, unless usbfs is reachable)
// FOCUS_RELATIVE (16) any         usbfs                         CT FOCUS_RELATIVE (0x07): bFocusRelative = sign, bSpeed = |Value1|
//
// proc-amp            flags       road                          the camera receives (processing unit)
// BRIGHTNESS (0)      not AUTO    V4L2 BRIGHTNESS               PU BRIGHTNESS (0x02) = Value1
// CONTRAST (1)        not AUTO    V4L2 CONTRAST                 PU CONTRAST (0x03) = Value1
// SATURATION (3)      not AUTO    V4L2 SATURATION               PU SATURATION (0x07) = Value1
// SHARPNESS (4)       not AUTO    V4L2 SHARPNESS                PU SHARPNESS (0x08) = Value1
// GAMMA (5)           not AUTO    V4L2 GAMMA                    PU GAMMA (0x09) = Value1
// WHITEBALANCE (7)    AUTO        V4L2 AUTO_WHITE_BALANCE       PU WHITE_BALANCE_TEMPERATURE_AUTO (0x0B): 1
//                     MANUAL      AUTO_WHITE_BALANCE, then      PU WHITE_BALANCE_TEMPERATURE_AUTO: 0, then
//                     other       WHITE_BALANCE_TEMPERATURE       PU WHITE_BALANCE_TEMPERATURE (0x0A) = Value1
// BACKLIGHT (8)       not AUTO    V4L2 BACKLIGHT_COMPENSATION   PU BACKLIGHT_COMPENSATION (0x01) = Value1
// GAIN (9)            not AUTO    V4L2 GAIN                     PU GAIN (0x04) = Value1
// WB_COMPONENT (12)   AUTO        V4L2 AUTO_WHITE_BALANCE       the white-balance auto control: 1
//                     MANUAL      AUTO_WHITE_BALANCE, then      0, then
//                     other       BLUE_BALANCE + RED_BALANCE      PU WHITE_BALANCE_COMPONENT (0x0C): blue = Value1, red = Value2
// POWERLINE (13)      not AUTO    V4L2 POWER_LINE_FREQUENCY     PU POWER_LINE_FREQUENCY (0x05) = Value1 (menu index = value)
//
// AUTO on a property without an automatic mode is refused and sends nothing.
// The flags word never travels to the camera: UVC has no place for it.
#include "platform/v4l2/RoutingTable.h"

#include <linux/usb/video.h>
#include <linux/videodev2.h>

#include <iterator>

namespace lumetra::platform::v4l2 {
namespace {

constexpr AutoSwitch kNoAuto{};
constexpr AutoSwitch kExposureAuto{V4L2_CID_EXPOSURE_AUTO,
                                   {V4L2_EXPOSURE_MANUAL, V4L2_EXPOSURE_SHUTTER_PRIORITY},
                                   {V4L2_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY}};
constexpr AutoSwitch kFocusAuto{V4L2_CID_FOCUS_AUTO, {0, 0}, {1, 1}};
constexpr AutoSwitch kWhiteBalanceAuto{V4L2_CID_AUTO_WHITE_BALANCE, {0, 0}, {1, 1}};

// camera terminal bmControls bits
constexpr uint8_t kFocusRelativeBit = 6;
constexpr uint8_t kZoomRelativeBit = 10;
constexpr uint8_t kPanTiltRelativeBit = 12;
constexpr uint8_t kRollAbsoluteBit = 13;
constexpr uint8_t kNoBit = 0xFF;

using C = Carrier;
constexpr PropertySet kCam = PropertySet::CameraControl;
constexpr PropertySet kAmp = PropertySet::VideoProcAmp;

// A table, laid out by hand.
// clang-format off
constexpr Route kRoutes[] = {
    // set id  carrier          V4L2 control                       partner                auto mode          units               UVC selector                                  terminal bit         usbfs payload
    {kCam, 0,  C::V4l2Control,  V4L2_CID_PAN_ABSOLUTE,             0,                     kNoAuto,           Units::Native,      UVC_CT_PANTILT_ABSOLUTE_CONTROL,              kNoBit,              Payload::None},
    {kCam, 1,  C::V4l2Control,  V4L2_CID_TILT_ABSOLUTE,            0,                     kNoAuto,           Units::Native,      UVC_CT_PANTILT_ABSOLUTE_CONTROL,              kNoBit,              Payload::None},
    {kCam, 2,  C::UsbfsOnly,    0,                                 0,                     kNoAuto,           Units::Native,      UVC_CT_ROLL_ABSOLUTE_CONTROL,                 kRollAbsoluteBit,    Payload::Signed16},
    {kCam, 3,  C::V4l2Control,  V4L2_CID_ZOOM_ABSOLUTE,            0,                     kNoAuto,           Units::Native,      UVC_CT_ZOOM_ABSOLUTE_CONTROL,                 kNoBit,              Payload::None},
    {kCam, 4,  C::V4l2Control,  V4L2_CID_EXPOSURE_ABSOLUTE,        0,                     kExposureAuto,     Units::Log2Seconds, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL,        kNoBit,              Payload::None},
    {kCam, 5,  C::V4l2Control,  V4L2_CID_IRIS_ABSOLUTE,            0,                     kNoAuto,           Units::Native,      UVC_CT_IRIS_ABSOLUTE_CONTROL,                 kNoBit,              Payload::None},
    {kCam, 6,  C::V4l2Control,  V4L2_CID_FOCUS_ABSOLUTE,           0,                     kFocusAuto,        Units::Native,      UVC_CT_FOCUS_ABSOLUTE_CONTROL,                kNoBit,              Payload::None},
    {kCam, 10, C::PanTiltSpeed, V4L2_CID_PAN_SPEED,                V4L2_CID_TILT_SPEED,   kNoAuto,           Units::Native,      UVC_CT_PANTILT_RELATIVE_CONTROL,              kPanTiltRelativeBit, Payload::PanTiltRelative},
    {kCam, 11, C::PanTiltSpeed, V4L2_CID_TILT_SPEED,               V4L2_CID_PAN_SPEED,    kNoAuto,           Units::Native,      UVC_CT_PANTILT_RELATIVE_CONTROL,              kPanTiltRelativeBit, Payload::PanTiltRelative},
    {kCam, 13, C::ZoomSpeed,    V4L2_CID_ZOOM_CONTINUOUS,          0,                     kNoAuto,           Units::Native,      UVC_CT_ZOOM_RELATIVE_CONTROL,                 kZoomRelativeBit,    Payload::ZoomRelative},
    {kCam, 16, C::UsbfsOnly,    0,                                 0,                     kNoAuto,           Units::Native,      UVC_CT_FOCUS_RELATIVE_CONTROL,                kFocusRelativeBit,   Payload::DirectionSpeed},

    {kAmp, 0,  C::V4l2Control,  V4L2_CID_BRIGHTNESS,               0,                     kNoAuto,           Units::Native,      UVC_PU_BRIGHTNESS_CONTROL,                    kNoBit,              Payload::None},
    {kAmp, 1,  C::V4l2Control,  V4L2_CID_CONTRAST,                 0,                     kNoAuto,           Units::Native,      UVC_PU_CONTRAST_CONTROL,                      kNoBit,              Payload::None},
    {kAmp, 3,  C::V4l2Control,  V4L2_CID_SATURATION,               0,                     kNoAuto,           Units::Native,      UVC_PU_SATURATION_CONTROL,                    kNoBit,              Payload::None},
    {kAmp, 4,  C::V4l2Control,  V4L2_CID_SHARPNESS,                0,                     kNoAuto,           Units::Native,      UVC_PU_SHARPNESS_CONTROL,                     kNoBit,              Payload::None},
    {kAmp, 5,  C::V4l2Control,  V4L2_CID_GAMMA,                    0,                     kNoAuto,           Units::Native,      UVC_PU_GAMMA_CONTROL,                         kNoBit,              Payload::None},
    {kAmp, 7,  C::V4l2Control,  V4L2_CID_WHITE_BALANCE_TEMPERATURE, 0,                    kWhiteBalanceAuto, Units::Native,      UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL,     kNoBit,              Payload::None},
    {kAmp, 8,  C::V4l2Control,  V4L2_CID_BACKLIGHT_COMPENSATION,   0,                     kNoAuto,           Units::Native,      UVC_PU_BACKLIGHT_COMPENSATION_CONTROL,        kNoBit,              Payload::None},
    {kAmp, 9,  C::V4l2Control,  V4L2_CID_GAIN,                     0,                     kNoAuto,           Units::Native,      UVC_PU_GAIN_CONTROL,                          kNoBit,              Payload::None},
    {kAmp, 12, C::V4l2Balance,  V4L2_CID_BLUE_BALANCE,             V4L2_CID_RED_BALANCE,  kWhiteBalanceAuto, Units::Native,      UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL,       kNoBit,              Payload::None},
    {kAmp, 13, C::V4l2Control,  V4L2_CID_POWER_LINE_FREQUENCY,     0,                     kNoAuto,           Units::Native,      UVC_PU_POWER_LINE_FREQUENCY_CONTROL,          kNoBit,              Payload::None},
};
// clang-format on

}  // namespace

const Route* FindRoute(PropertySet set, uint32_t property) {
    for (const Route& route : kRoutes)
        if (route.set == set && route.property == property) return &route;
    return nullptr;
}

}  // namespace lumetra::platform::v4l2
