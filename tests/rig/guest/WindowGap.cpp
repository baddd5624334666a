// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "WindowGap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <string>

#include "devices/DeviceWorker.h"
#include "devices/LibraryWalk.h"

namespace rig {

namespace {

void EnsureEventLoop() {
    static int argc = 1;
    static char name[] = "rig-guest-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // for the process's life
}

}  // namespace

WindowGap::WindowGap(int index) {
    EnsureEventLoop();
    worker_ = new ptzdeck::DeviceWorker(BaseDevice::CreateDevice(USB));
    bool opened = false;
    openGap_ = longestGap(
        [index](BaseDevice& device) {
            std::lock_guard<std::mutex> walk(ptzdeck::LibraryWalk());
            return device.OpenAny(std::to_string(index).c_str(), 1);
        },
        opened);
}

WindowGap::~WindowGap() { delete worker_; }

namespace {

// Runs `loop`, begun by `begin`, with a beat every 5 ms: the longest gap
// between beats, in ms.
double BeatGap(QEventLoop& loop, const std::function<void()>& begin) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    begin();
    beat.start();
    loop.exec();
    return double(std::max(longest, clock.elapsed() - last));
}

}  // namespace

double WindowGap::idleGap(int ms) {
    QEventLoop loop;
    return BeatGap(loop, [&] { QTimer::singleShot(ms, &loop, &QEventLoop::quit); });
}

double WindowGap::longestGap(const std::function<bool(BaseDevice&)>& request, bool& taken) {
    QEventLoop loop;
    QObject::connect(worker_, &ptzdeck::DeviceWorker::drained, &loop, &QEventLoop::quit);
    return BeatGap(loop, [&] { worker_->post(request, [&](bool answer, RequestFault) { taken = answer; }); });
}

}  // namespace rig
