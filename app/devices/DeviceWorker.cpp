// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "devices/DeviceWorker.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>

namespace ptzdeck {

namespace {

// Longer than a USB control request, or a command channel's answer, takes
// on a camera that works; well under the seconds of a timeout.
constexpr qint64 kSlowAnswerMs = 200;

qint64 NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

DeviceWorker::DeviceWorker(BaseDevice* device_, QObject* parent)
    : QObject(parent), device(device_), thread([this] { runJobs(); })
{
}

DeviceWorker::~DeviceWorker()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        ending = true;
    }
    wake.notify_one();
    thread.join();
    // Answers still on their way are dropped with this object.
}

void DeviceWorker::post(unsigned drives, Request request, Answer answer_)
{
    auto job = std::make_shared<Job>();
    job->drives = drives;
    job->request = std::move(request);
    job->answer = std::move(answer_);
    ++outstanding;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (drives != 0 && slowToAnswer())
            for (const std::shared_ptr<Job>& older : waiting)
                if (older->drives != 0 && (older->drives & ~drives) == 0)
                    older->superseded = true;
        waiting.push_back(std::move(job));
    }
    wake.notify_one();
}

void DeviceWorker::runJobs()
{
    BaseDevice::Initial();
    for (;;) {
        std::shared_ptr<Job> job;
        bool superseded = false;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait(hold, [this] { return ending || !waiting.empty(); });
            if (waiting.empty())
                break;  // ending, and everything posted has been sent
            job = std::move(waiting.front());
            waiting.pop_front();
            superseded = job->superseded;
        }
        bool taken = true;
        RequestFault cause = RequestFault::None;
        if (!superseded && device) {
            runningSince = std::max<qint64>(NowMs(), 1);
            taken = job->request(*device);
            runningSince = 0;
            cause = device->LastRequestFault();
            unanswered = cause == RequestFault::NoAnswer;
        }
        QMetaObject::invokeMethod(
            this, [this, job, superseded, taken, cause] { answer(*job, superseded, taken, cause); },
            Qt::QueuedConnection);
    }
    if (device) {
        device->Close();
        BaseDevice::DeleteDevice(device);
    }
    BaseDevice::Release();
}

bool DeviceWorker::slowToAnswer() const
{
    // A camera that left the last request unanswered is slow from the start
    // of the next: a silent network camera waits out each command in less
    // than the threshold, and its moves would otherwise pile up.
    const qint64 since = runningSince;
    return since != 0 && (unanswered || NowMs() - since >= kSlowAnswerMs);
}

void DeviceWorker::answer(const Job& job, bool superseded, bool taken, RequestFault cause)
{
    --outstanding;
    if (!superseded)
        fault = cause;
    if (job.answer)
        job.answer(taken, cause);
    if (!superseded && cause != RequestFault::None)
        emit refused(cause);
    if (outstanding == 0)
        emit drained();
}

}  // namespace ptzdeck
