// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// Where the program's widgets sit, in the frame of the panel that holds them.
// The faces are drawn around these rectangles so that the painted wells, slots
// and marks lie exactly under the live widgets.
#include <QPoint>
#include <QRect>
#include <array>

namespace geometry {

// Win_Left is 326 wide with a 2 px border; its 328-wide background image is
// centred in the 322 px padding box, so image x = widget x + 1 (y unchanged).
constexpr int kFaceWidth = 328;
constexpr int kFaceHeight = 436;
constexpr int kFaceShiftX = 1;
inline QRect onFace(const QRect& widgetRect) { return widgetRect.translated(kFaceShiftX, 0); }
inline QPointF onFace(const QPointF& widgetPoint) { return widgetPoint + QPointF(kFaceShiftX, 0); }

constexpr int kPanelRadius = 32;  // border-radius of both panels
constexpr int kBorderWidth = 2;   // the panels' own gray border, drawn over the image

// Control face (Win_Left frame).
const QRect kFacePanel(0, 0, 326, 436);
const QRect kMute(184, 12, 20, 13);
const QRect kTop(218, 10, 17, 17);
const QRect kMin(248, 6, 25, 20);
const QRect kClose(280, 6, 25, 20);
const QRect kJoystick(41, 52, 116, 116);
const QRect kZoomSlider(226, 50, 22, 120);
const QRect kFocusSlider(278, 50, 22, 120);
const QRect kSettingButton(295, 352, 21, 21);
constexpr std::array<int, 3> kKeyColumns{33, 129, 224};
constexpr std::array<int, 6> kKeyRows{198, 226, 255, 284, 312, 342};
constexpr int kKeyWidth = 70;
constexpr int kKeyHeight = 26;
const std::array<QRect, 5> kCameraTabs{QRect(-1, 386, 74, 52), QRect(71, 386, 63, 52), QRect(132, 386, 63, 52),
    QRect(193, 386, 63, 52), QRect(254, 386, 74, 52)};

// Settings pane (Win_Right frame; its image is not shifted).
constexpr int kPaneWidth = 327;
constexpr int kPaneHeight = 436;
constexpr std::array<int, 7> kPaneRows{32, 74, 117, 160, 202, 246, 289};
constexpr int kPaneSliderX = 95;
constexpr int kPaneSliderWidth = 149;
constexpr int kPaneValueX = 280;
constexpr int kPaneValueWidth = 40;
constexpr int kPaneRowHeight = 22;
const QRect kFlickerCombo(230, 330, 60, 22);
const QRect kDefaultButton(62, 398, 88, 25);
const QRect kOkButton(175, 398, 88, 25);

// Warning dialogs (dialog frame; the image fills the dialog).
constexpr int kDialogWidth = 326;
constexpr int kDialogHeight = 187;
const QRect kNoDeviceQuit(32, 144, 80, 23);
const QRect kNoDeviceOk(214, 144, 80, 23);
const QRect kNoCameraOk(124, 144, 80, 23);

}  // namespace geometry
