// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// What a camera command and a discovery pass cost over the simulated bus.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lumetra/BaseDevice.h"
#include "platform/Backends.h"
#include "platform/Platform.h"
#include "platform/sim/SimBus.h"

namespace {

using lumetra::platform::SetBackendForTesting;
using lumetra::platform::sim::SimBus;
using lumetra::platform::sim::SimCameraModel;
using lumetra::platform::sim::SupportedCamera;

SimCameraModel Webcam(int n) {
    SimCameraModel model;
    model.friendlyName = "Webcam " + std::to_string(n);
    model.devicePath = "\\\\?\\usb#vid_046d&pid_0825&mi_00#" + std::to_string(n) + "#{65e8773d}\\global";
    return model;
}

// The in-memory log grows with every request; empty it now and then,
// outside the timed part.
void TrimLog(benchmark::State& state, SimBus& bus, int64_t& sent, int64_t every) {
    if (++sent % every != 0) return;
    state.PauseTiming();
    bus.ClearRequests();
    state.ResumeTiming();
}

// One joystick step: BaseDevice -> USBDevice -> KsPropertySet -> camera.
void BM_CameraCommand(benchmark::State& state) {
    SimBus bus;
    bus.Plug("cam", SupportedCamera("PTZ"));
    SetBackendForTesting(bus.CreateBackend());
    BaseDevice::Initial();
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    if (!device->Open("0", 1)) state.SkipWithError("open failed");
    int64_t sent = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(device->PanLeft(6));
        TrimLog(state, bus, sent, 65536);
    }
    device->Close();
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();
    SetBackendForTesting(nullptr);
}
BENCHMARK(BM_CameraCommand);

// The same through the directory form: a stat of the .cam file and one
// appended line of requests.log per command.
void BM_CameraCommandDirectory(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / ("lumetra-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "cam.cam") << "name=PTZ\npath=usb#vid_0000&pid_8888&mi_00#1\n";
    SetBackendForTesting(lumetra::platform::CreateSimDirectoryBackend(dir.string()));
    BaseDevice::Initial();
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    if (!device->Open("0", 1)) state.SkipWithError("open failed");
    for (auto _ : state) benchmark::DoNotOptimize(device->PanLeft(6));
    device->Close();
    BaseDevice::DeleteDevice(device);
    BaseDevice::Release();
    SetBackendForTesting(nullptr);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CameraCommandDirectory);

// A discovery pass as the panel runs it: enumerate, open the last of five
// supported cameras spread among 60 devices, load its properties.
void BM_EnumOpenLoad(benchmark::State& state) {
    SimBus bus;
    for (int n = 0; n < 60; ++n) {
        if (n % 12 == 11)
            bus.Plug("cam" + std::to_string(n), SupportedCamera("PTZ " + std::to_string(n), std::to_string(n)));
        else bus.Plug("web" + std::to_string(n), Webcam(n));
    }
    SetBackendForTesting(bus.CreateBackend());
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    std::vector<DeviceInfo> list;
    int64_t sent = 0;
    for (auto _ : state) {
        BaseDevice::Initial();
        const bool ok = BaseDevice::EnumUSBDevices(list) && list.size() == 5 && device->Open("4", 1) &&
                        device->LoadPropertyInfo();
        if (!ok) state.SkipWithError("discovery failed");
        BaseDevice::Release();
        TrimLog(state, bus, sent, 4096);
    }
    device->Close();
    BaseDevice::DeleteDevice(device);
    SetBackendForTesting(nullptr);
}
BENCHMARK(BM_EnumOpenLoad);

}  // namespace

BENCHMARK_MAIN();
