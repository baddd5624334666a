// PLACEHOLDER until the window-chrome work lands: only correct before the
// window is shown.
#include "platform/StayOnTop.h"

#include <QWidget>

namespace ptzdeck::platform {

void SetStaysOnTop(QWidget* window, bool onTop) { window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop); }

}  // namespace ptzdeck::platform
