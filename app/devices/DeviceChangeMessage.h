// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The shape in which device changes reach MainWindow::nativeEvent: the
// Windows message the handler was written for, so one code path serves both
// the notifier and anything else that reports a device change.
#pragma once

#include <cstdint>

namespace ptzdeck::platform {

// The event type Qt gives native Windows messages.
inline constexpr char kWindowsMessageEventType[] = "windows_generic_MSG";

struct MessagePoint {
    long x = 0;
    long y = 0;
};

// Same fields, in the same order, as the Windows MSG structure.
struct MSG {
    void* hwnd = nullptr;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    uint32_t time = 0;
    MessagePoint pt;
};

inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr uintptr_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr uintptr_t DBT_DEVICEREMOVECOMPLETE = 0x8004;

}  // namespace ptzdeck::platform
