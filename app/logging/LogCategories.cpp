// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "logging/LogCategories.h"

// Warnings and worse only, by default: the panel writes none of these, so
// nothing appears until a rule turns a category's debug lines on.
Q_LOGGING_CATEGORY(lcCameras, "ptzdeck.cameras", QtWarningMsg)
Q_LOGGING_CATEGORY(lcHotplug, "ptzdeck.hotplug", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBus, "ptzdeck.bus", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGamepad, "ptzdeck.gamepad", QtWarningMsg)
