// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/CameraWorker.h"

#include <QMetaObject>
#include <QTimer>
#include <vector>

#include "devices/LibraryWalk.h"

namespace ptzdeck::bridge {

CameraWorker::CameraWorker(QByteArray devicePath, SpeedScale scale) : devicePath_(std::move(devicePath)), scale_(scale)
{
}

CameraWorker::~CameraWorker() = default;

void CameraWorker::postOpen()
{
    QMetaObject::invokeMethod(
        this, [this] { open(); }, Qt::QueuedConnection);
}

void CameraWorker::post(Job job)
{
    QMetaObject::invokeMethod(
        this, [this, job = std::move(job)] { run(job); }, Qt::QueuedConnection);
}

// The camera is found again by its path: the numbers may have moved since
// the roster looked.
void CameraWorker::open()
{
    BaseDevice::Initial();
    device_ = BaseDevice::CreateDevice(USB);
    bool ok = false;
    if (device_) {
        std::lock_guard<std::mutex> walk(LibraryWalk());
        std::vector<DeviceInfo> cameras;
        if (BaseDevice::EnumAllUSBDevices(cameras)) {
            for (const DeviceInfo& camera : cameras) {
                if (camera.devicePath == devicePath_.toStdString()) {
                    ok = device_->OpenAny(QByteArray::number(camera.index).constData(), 1);
                    break;
                }
            }
        }
    }
    if (ok)
        executor_ = std::make_unique<ViscaExecutor>(*device_, scale_);
    stepTimer_ = new QTimer(this);
    stepTimer_->setSingleShot(true);
    connect(stepTimer_, &QTimer::timeout, this, &CameraWorker::followSteps);
    emit opened(ok, ok ? QString::fromUtf8(device_->GetFriendlyName()) : QString());
}

void CameraWorker::run(const Job& job)
{
    if (job.cancelled && job.cancelled->load()) {
        emit finished(job.id, false, {}, true);
        return;
    }
    Outcome outcome;
    if (executor_)
        outcome = job.stopAll ? Outcome{executor_->stopAll(), {}} : executor_->execute(job.message);
    if (executor_)
        followSteps();
    emit finished(job.id, outcome.done,
        QByteArray(reinterpret_cast<const char*>(outcome.data.data()), int(outcome.data.size())), false);
}

// A camera that moves by steps is sent them from here while a move lasts.
void CameraWorker::followSteps()
{
    const int next = executor_ ? executor_->stepMoves() : -1;
    if (next >= 0)
        stepTimer_->start(next);
    else
        stepTimer_->stop();
}

void CameraWorker::shutDown(QThread* owner)
{
    QMetaObject::invokeMethod(
        this,
        [this, owner] {
            if (stepTimer_)
                stepTimer_->stop();
            executor_.reset();
            if (device_) {
                device_->Close();
                BaseDevice::DeleteDevice(device_);
                device_ = nullptr;
            }
            BaseDevice::Release();
            moveToThread(owner);
        },
        Qt::BlockingQueuedConnection);
}

}  // namespace ptzdeck::bridge
