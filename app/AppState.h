// Application-wide state shared by the main window and the two warning
// dialogs. Plain globals: only the GUI thread touches them.
#pragma once

#include <QPoint>

extern int g_cameraOpen;       // 1 once a discovery pass counted cameras
extern int g_cameraCount;      // cameras counted by the last discovery pass
extern int g_settingsShown;    // 1 while the settings pane is shown
extern QPoint g_noDeviceAnchor;  // where the next no-device dialog is placed
extern QPoint g_noCameraAnchor;  // where the next no-camera dialog is placed
extern int g_noDeviceOnTop;    // on-top flag the next no-device dialog gets
extern int g_noCameraOnTop;    // on-top flag the next no-camera dialog gets
