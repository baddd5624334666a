// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What the panel can tell someone chasing a problem, by part. Every category
// is silent unless the user turns it on, as in
//   QT_LOGGING_RULES="ptzdeck.*=true" ptzdeck
// and a line that is off costs one check: qCDebug formats nothing then.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcCameras)  // ptzdeck.cameras: opens, refused commands
Q_DECLARE_LOGGING_CATEGORY(lcHotplug)  // ptzdeck.hotplug: device events, discovery passes
Q_DECLARE_LOGGING_CATEGORY(lcBus)      // ptzdeck.bus: the session bus's calls and their errors
Q_DECLARE_LOGGING_CATEGORY(lcGamepad)  // ptzdeck.gamepad: gamepads found and lost
