// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/CameraWorker.h"

#include <QTimer>
#include <mutex>
#include <vector>

#include "devices/DeviceWorker.h"
#include "devices/LibraryWalk.h"

namespace ptzdeck::bridge {

CameraWorker::CameraWorker(QByteArray devicePath, SpeedScale scale, QObject* parent)
    : QObject(parent),
      devicePath_(std::move(devicePath)),
      scale_(scale),
      device_(new DeviceWorker(BaseDevice::CreateDevice(USB), this)),
      stepTimer_(new QTimer(this))
{
    stepTimer_->setSingleShot(true);
    connect(stepTimer_, &QTimer::timeout, this, &CameraWorker::sendSteps);
}

CameraWorker::~CameraWorker()
{
    stepTimer_->stop();
    // The executor goes on the camera's thread, before its device.
    device_->post([camera = camera_](BaseDevice&) {
        camera->executor.reset();
        return true;
    });
    delete device_;
}

// The camera is found again by its path: the numbers may have moved since
// the roster looked.
void CameraWorker::postOpen()
{
    auto name = std::make_shared<QString>();
    device_->post(
        [camera = camera_, path = devicePath_.toStdString(), scale = scale_, name](BaseDevice& device) {
            bool ok = false;
            {
                std::lock_guard<std::mutex> walk(LibraryWalk());
                std::vector<DeviceInfo> cameras;
                if (BaseDevice::EnumAllUSBDevices(cameras)) {
                    for (const DeviceInfo& listed : cameras) {
                        if (listed.devicePath == path) {
                            ok = device.OpenAny(QByteArray::number(listed.index).constData(), 1);
                            break;
                        }
                    }
                }
            }
            if (ok) {
                camera->executor = std::make_unique<ViscaExecutor>(device, scale);
                *name = QString::fromUtf8(device.GetFriendlyName());
            }
            return ok;
        },
        [this, name](bool ok, RequestFault) { emit opened(ok, *name); });
}

void CameraWorker::post(Job job)
{
    auto outcome = std::make_shared<Outcome>();
    auto nextStep = std::make_shared<int>(-1);
    const quint64 id = job.id;
    const auto cancelled = job.cancelled;
    device_->post(
        [camera = camera_, job = std::move(job), outcome, nextStep](BaseDevice&) {
            if (job.cancelled && job.cancelled->load())
                return false;
            if (!camera->executor)
                return false;
            *outcome = job.stopAll ? Outcome{camera->executor->stopAll(), {}} : camera->executor->execute(job.message);
            *nextStep = camera->executor->stepMoves();
            return true;
        },
        [this, id, cancelled, outcome, nextStep](bool ran, RequestFault) {
            if (!ran && cancelled && cancelled->load()) {
                emit finished(id, false, {}, true);
                return;
            }
            followSteps(*nextStep);
            emit finished(id, outcome->done,
                QByteArray(reinterpret_cast<const char*>(outcome->data.data()), int(outcome->data.size())), false);
        });
}

// A camera that moves by steps is sent them, in their turn among its jobs,
// while a move lasts.
void CameraWorker::followSteps(int nextInMs)
{
    if (nextInMs >= 0)
        stepTimer_->start(nextInMs);
    else
        stepTimer_->stop();
}

void CameraWorker::sendSteps()
{
    auto nextStep = std::make_shared<int>(-1);
    device_->post(
        [camera = camera_, nextStep](BaseDevice&) {
            if (camera->executor)
                *nextStep = camera->executor->stepMoves();
            return true;
        },
        [this, nextStep](bool, RequestFault) { followSteps(*nextStep); });
}

}  // namespace ptzdeck::bridge
