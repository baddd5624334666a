// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "window/AppState.h"

int g_cameraOpen = 0;
int g_cameraCount = 0;
int g_settingsShown = 0;
QPoint g_noDeviceAnchor;
QPoint g_noCameraAnchor;
int g_noDeviceOnTop = 0;
int g_noCameraOnTop = 0;
PictureSettings g_pictureSettings;
