// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// One camera as the bridge drives it: VISCA jobs run in the order they came
// on the camera's own thread (the panel's DeviceWorker), so a request that
// blocks for as long as USB lets it (seconds) holds up only this camera's
// later jobs. Answers and the stepped moves' timer stay on the owner's thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <atomic>
#include <memory>

#include "bridge/ViscaExecutor.h"

class QTimer;

namespace ptzdeck {
class DeviceWorker;
}

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
    CameraWorker(QByteArray devicePath, SpeedScale scale, QObject* parent = nullptr);
    // Every job already posted is still sent; then the camera is closed.
    ~CameraWorker() override;

    // Open the camera, run a job (in order of posting).
    void postOpen();
    void post(Job job);

signals:
    void opened(bool ok, const QString& name);
    void finished(quint64 id, bool done, const QByteArray& data, bool cancelled);

private:
    void followSteps(int nextInMs);
    void sendSteps();

    QByteArray devicePath_;
    SpeedScale scale_;
    // The camera's side: touched only by requests, on the camera's thread.
    struct Camera {
        std::unique_ptr<ViscaExecutor> executor;
    };
    std::shared_ptr<Camera> camera_ = std::make_shared<Camera>();
    DeviceWorker* device_;
    QTimer* stepTimer_;  // runs only while a stepped move lasts
};

}  // namespace ptzdeck::bridge
