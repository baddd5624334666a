// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Who answers ioctl(2) requests on fake devices (EvdevIoctl.cpp).
#pragma once

// True when `fd` is a fake device's and the request was answered.
using FakeIoctlAnswer = bool (*)(int fd, unsigned long request, void* argument, int* result);
extern FakeIoctlAnswer g_fakeIoctlAnswer;
