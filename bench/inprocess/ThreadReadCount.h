// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The kernel's exact count of read system calls (`syscr`: read, readv,
// pread and the like) made by the calling thread. Other threads (Qt's D-Bus
// connection, say) read whenever their messages come; counting them would
// make the count depend on timing.
#pragma once

// -1 when /proc cannot tell.
long ReadSyscallsOfThisThread();
