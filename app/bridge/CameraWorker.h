// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One camera's own thread: its device, and the requests for it in the
// order they came. A request to a camera can block for as long as USB lets
// it (seconds); only this camera's later requests wait for it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

#include "bridge/ViscaExecutor.h"

class QTimer;

namespace ptzdeck::bridge {

struct Job {
    quint64 id = 0;
    bool stopAll = false;  // stop every axis instead of `message`
    lumetra::visca::Message message;
    // Set by a client's cancel while the job waits: it is then not run.
    std::shared_ptr<std::atomic_bool> cancelled;
};

class CameraWorker : public QObject {
    Q_OBJECT

public:
    CameraWorker(QByteArray devicePath, SpeedScale scale);
    ~CameraWorker() override;

    // From any thread: open the camera, run a job (in order of posting).
    void postOpen();
    void post(Job job);
    // From the owner's thread: closes the camera on its thread and waits.
    void shutDown(QThread* owner);

signals:
    void opened(bool ok, const QString& name);
    void finished(quint64 id, bool done, const QByteArray& data, bool cancelled);

private:
    void open();
    void run(const Job& job);
    void followSteps();

    QByteArray devicePath_;
    SpeedScale scale_;
    BaseDevice* device_ = nullptr;
    std::unique_ptr<ViscaExecutor> executor_;
    QTimer* stepTimer_ = nullptr;  // runs only while a stepped move lasts
};

}  // namespace ptzdeck::bridge
