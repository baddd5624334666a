// Stand-in for SetWindowPos(HWND_TOPMOST / HWND_NOTOPMOST): places a window in
// or out of the always-on-top band.
#pragma once

class QWidget;

namespace ptzdeck::platform {

// Works on shown windows without hiding, re-creating or moving them.
void SetStaysOnTop(QWidget* window, bool onTop);

}  // namespace ptzdeck::platform
