// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Compiled with full debug information, never linked: the ABI check reads the
// layout of the public types and the order of BaseDevice's virtual slots from
// this object's DWARF. Every public type is reached from BaseDevice.
#include "lumetra/BaseDevice.h"

BaseDevice* lumetraAbiProbe = nullptr;
