// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Compiled with debug information, never linked. The public enumerations
// that no exported function takes or returns (the bits Abilities() and
// CameraPosition::axes hold) belong to the interface all the same: these
// variables put them in the record abidw makes of this object.
#include "lumetra/BaseDevice.h"

DeviceAbility lumetraAbiAbilities;
PositionAxis lumetraAbiAxes;
