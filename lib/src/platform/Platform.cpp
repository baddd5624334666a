// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Thread initialisation and the choice of backend.
#include "platform/Platform.h"

#include <cstdlib>

#include "platform/Backends.h"

namespace lumetra::platform {
namespace {

// CoInitialize counts per thread; so do we.
thread_local int threadInitCount = 0;

std::unique_ptr<Backend>& TestBackend() {
    static std::unique_ptr<Backend> backend;
    return backend;
}

std::unique_ptr<Backend> ChooseBackend() {
    // A set variable means simulated cameras even if the directory does not
    // exist yet: a missing directory is a bus without devices, never a
    // silent fall-back to whatever real cameras are plugged in.
    const char* simDir = std::getenv("LUMETRA_SIM_DIR");
    if (simDir != nullptr && *simDir != '\0') return CreateSimDirectoryBackend(simDir);
    return CreateV4l2Backend();
}

}  // namespace

void InitializeThread() { ++threadInitCount; }

void UninitializeThread() {
    if (threadInitCount > 0) --threadInitCount;
}

bool ThreadInitialized() { return threadInitCount > 0; }

Backend& CurrentBackend() {
    if (const auto& backend = TestBackend()) return *backend;
    static const std::unique_ptr<Backend> chosen = ChooseBackend();
    return *chosen;
}

void SetBackendForTesting(std::unique_ptr<Backend> backend) { TestBackend() = std::move(backend); }

HResult CreateSystemDeviceEnumerator(std::unique_ptr<DeviceEnumerator>& out) {
    out.reset();
    if (!ThreadInitialized()) return kNotInitialized;
    return CurrentBackend().CreateDeviceEnumerator(out);
}

}  // namespace lumetra::platform
