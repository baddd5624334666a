// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One camera's own thread. It owns the camera's device and runs the
// requests posted for it one at a time, in the order they were posted, so
// a request that blocks (a USB request waiting out its timeout, a lent
// interface waiting for its node, a network camera that does not answer)
// holds up only this camera's later requests, never the thread that posts
// them. Each answer comes back on the thread that made the worker, in the
// same order. Nothing here knows what kind of device it drives.
#pragma once

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <lumetra/BaseDevice.h>

namespace ptzdeck {

class DeviceWorker : public QObject {
    Q_OBJECT

public:
    // Runs on the camera's thread; true when the camera took it.
    using Request = std::function<bool(BaseDevice&)>;
    // Runs on the owner's thread with the request's answer and its cause.
    using Answer = std::function<void(bool taken, RequestFault fault)>;

    // Takes `device` over: it is closed and deleted on the camera's thread.
    explicit DeviceWorker(BaseDevice* device, QObject* parent = nullptr);
    // Every request already posted is still sent (the stops a closing
    // window posts last among them), their answers are not.
    ~DeviceWorker() override;

    // `drives` names the axes the request sets moving or stops, one bit
    // each (0: none). A camera that answers in good time is sent every
    // request, as the hand made them. While it is slow to answer (see
    // slowToAnswer), a request still waiting whose every axis a newer one
    // drives again is not sent: only the newest drive of an axis matters to
    // the camera, and a held key cannot pile up seconds of moves. It is
    // answered as taken, in its turn.
    void post(unsigned drives, Request request, Answer answer = {});
    void post(Request request, Answer answer = {}) { post(0, std::move(request), std::move(answer)); }

    // No request waiting or running, and every answer given.
    bool idle() const { return outstanding == 0; }
    // The cause the last request answered gave.
    RequestFault lastFault() const { return fault; }
    // The request under way has taken longer than a camera's answer
    // normally does, or the one before it went unanswered. From any thread.
    bool slowToAnswer() const;

signals:
    void refused(RequestFault fault);  // a request answered with a cause
    void drained();                    // idle again

private:
    struct Job {
        unsigned drives = 0;
        Request request;
        Answer answer;
        bool superseded = false;  // under `lock` while waiting
    };
    void runJobs();
    void answer(const Job& job, bool superseded, bool taken, RequestFault cause);

    BaseDevice* device;
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> waiting;  // under `lock`
    bool ending = false;                       // under `lock`
    // When the request under way began (steady clock, ms); 0: none is.
    std::atomic<qint64> runningSince{0};
    std::atomic<bool> unanswered{false};      // the last request sent had no answer
    int outstanding = 0;                      // the owner's thread alone
    RequestFault fault = RequestFault::None;  // likewise
    std::thread thread;
};

}  // namespace ptzdeck
