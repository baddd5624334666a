// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/BridgeService.h"

#include <QTimer>
#include <cstdio>
#include <vector>

#include "devices/DeviceNotifier.h"
#include "devices/DeviceWorker.h"
#include "devices/LibraryWalk.h"

namespace ptzdeck::bridge {

namespace {
constexpr int kSettleMs = 500;
}

BridgeService::BridgeService(BridgeConfig config, QObject* parent) : QObject(parent), config_(std::move(config))
{
    BaseDevice::Initial();
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    connect(settle_, &QTimer::timeout, this, &BridgeService::rescan);
    bus_ = new BridgeBus(this);
    roster_ = new DeviceWorker(BaseDevice::CreateDevice(USB), this);
}

BridgeService::~BridgeService()
{
    delete roster_;  // before the listeners: no answer comes after this
    listeners_.clear();
    BaseDevice::Release();
}

bool BridgeService::start()
{
    notifier_ = new platform::DeviceNotifier(this);
    connect(notifier_, &platform::DeviceNotifier::deviceChanged, this, [this] { settle_->start(kSettleMs); });
    bus_->publish();
    const bool following = notifier_->start();
    if (!following)
        std::fprintf(stderr, "ptzdeck-bridge: cameras plugged in or out later will not be seen\n");
    rescan();
    return following;
}

void BridgeService::rescan()
{
    auto cameras = std::make_shared<std::vector<DeviceInfo>>();
    roster_->post(
        [cameras](BaseDevice&) {
            // Waits while a camera's thread opens its camera.
            std::lock_guard<std::mutex> walk(LibraryWalk());
            if (!BaseDevice::EnumAllUSBDevices(*cameras))
                cameras->clear();
            return true;
        },
        [this, cameras](bool, RequestFault) { serve(*cameras); });
}

void BridgeService::serve(const std::vector<DeviceInfo>& cameras)
{
    // Camera N is the Nth the panel offers; one that moved along the list
    // is served on its new number's ports.
    for (auto it = listeners_.begin(); it != listeners_.end();) {
        const int index = it->first - 1;
        if (index >= int(cameras.size()) || it->second->failed()
            || it->second->devicePath() != QByteArray::fromStdString(cameras[index].devicePath)) {
            std::printf("ptzdeck-bridge: camera %d gone\n", it->first);
            it = listeners_.erase(it);
        } else {
            ++it;
        }
    }
    std::fflush(stdout);
    for (size_t i = 0; i < cameras.size(); ++i) {
        const int number = int(i) + 1;
        if (!config_.serves(number) || listeners_.count(number))
            continue;
        const QString device = QString::fromStdString(cameras[i].devicePath);
        auto listener = std::make_unique<CameraListener>(number, device.toUtf8(), config_);
        connect(listener.get(), &CameraListener::openedOrFailed, this, &BridgeService::tellServing);
        connect(listener.get(), &CameraListener::focusModeChanged, bus_,
            [this, device](bool automatic) { emit bus_->FocusModeChanged(device, automatic); });
        listeners_[number] = std::move(listener);
    }
    tellServing();
}

void BridgeService::tellServing()
{
    QStringList serving;
    for (const auto& [number, listener] : listeners_)
        if (listener->open() && !listener->serving().isEmpty())
            serving << QStringLiteral("camera %1: %2").arg(number).arg(listener->serving().join(QStringLiteral(", ")));
    bus_->setServing(serving);
}

}  // namespace ptzdeck::bridge
