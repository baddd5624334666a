// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Application-wide state shared by the main window and the two warning
// dialogs. Plain globals: only the GUI thread touches them.
#pragma once

#include <QPoint>
#include <cstdint>

extern int g_cameraOpen;         // 1 once a discovery pass counted cameras
extern int g_cameraCount;        // cameras counted by the last discovery pass
extern int g_settingsShown;      // 1 while the settings pane is shown
extern QPoint g_noDeviceAnchor;  // where the next no-device dialog is placed
extern QPoint g_noCameraAnchor;  // where the next no-camera dialog is placed
extern int g_noDeviceOnTop;      // on-top flag the next no-device dialog gets
extern int g_noCameraOnTop;      // on-top flag the next no-camera dialog gets

// One picture property as the settings pane last loaded it.
struct PictureSetting {
    int32_t current = 0;  // last read from the camera, or last dragged to
    int32_t min = 0;
    int32_t max = 0;
    int32_t defaultValue = 0;  // what the Default button sends
    int32_t pageStep = 0;      // always 0: a click beside the handle moves nothing
    bool supported = true;     // the camera has the setting: its row is usable
};

// The anti-flicker setting: the combo's item index is the value itself.
struct PowerLineSetting {
    int32_t current = 0;
    int32_t min = 0;
    int32_t max = 0;
    int32_t defaultValue = 0;
    bool supported = true;  // the camera has it: the combo is usable
};

struct PictureSettings {
    PictureSetting backlight;
    PictureSetting gamma;
    PictureSetting contrast;
    PictureSetting saturation;
    PictureSetting brightness;
    PictureSetting sharpness;
    PictureSetting whiteBalance;
    PowerLineSetting powerLine;
};

// The settings pane's cache, refilled each time a camera is (re)opened.
extern PictureSettings g_pictureSettings;
