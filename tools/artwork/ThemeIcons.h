// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// The program's icon for the desktop's icon theme (hicolor), one file per
// size, named by its path under the theme's directory.
#include "Bundle.h"

QVector<BundleFile> drawThemeIcons();
