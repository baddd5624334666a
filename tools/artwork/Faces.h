// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// One drawing function per picture of the bundle. Each returns a straight
// (non-premultiplied) ARGB image of exactly the size the program expects.
#include <QColor>
#include <QImage>

QImage drawControlFace();
QImage drawSettingsPane();
QImage drawNoDeviceDialog();
QImage drawNoMoreCameraDialog();

QImage drawSliderGroove();  // 149 x 8
QImage drawSliderKnob();    // 23 x 15
QImage drawSliderBar();     // 50 x 5

QImage drawCameraMark(bool muted);     // 20 x 13
QImage drawStayOnTopMark(bool onTop);  // 17 x 17

QImage drawTrayIcon(int size);

// Text colours the program's faces rely on.
namespace ink {
const QColor kLabel(189, 188, 188);
const QColor kWhite(255, 255, 255);
const QColor kTabIdle(53, 52, 52);
const QColor kTabChosen(91, 254, 65);
const QColor kMuted(237, 28, 36);
const QColor kLive(3, 216, 98);
}  // namespace ink
