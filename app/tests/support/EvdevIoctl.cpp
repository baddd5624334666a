// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The test program's own ioctl(2): requests on a fake pad's node are
// answered by FakePad, as the kernel's evdev would; every other request goes
// to the kernel unchanged. Being defined in the program, it is the ioctl
// libevdev calls. Kept apart from <sys/ioctl.h>, whose declaration differs.
#include <cstdarg>
#include <sys/syscall.h>
#include <unistd.h>

#include "EvdevIoctl.h"

FakeIoctlAnswer g_fakeIoctlAnswer = nullptr;

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    int result = 0;
    if (g_fakeIoctlAnswer && g_fakeIoctlAnswer(fd, request, argument, &result))
        return result;
    return static_cast<int>(syscall(SYS_ioctl, fd, request, argument));
}
