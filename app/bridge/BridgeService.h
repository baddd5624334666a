// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Every camera the panel offers, in the panel's order, each on its own
// ports (camera 1 on the first), following cameras as they come and go:
// a burst of device changes gives one look 500 ms after the last, as the
// panel's does. Nothing runs between changes. The look itself runs on a
// thread of its own, as it may wait for a camera being opened: the replies
// to the clients never wait for it.
#pragma once

#include <QObject>
#include <map>
#include <memory>
#include <vector>

#include <lumetra/BaseDevice.h>

#include "bridge/BridgeBus.h"
#include "bridge/BridgeConfig.h"
#include "bridge/CameraListener.h"

class QTimer;

namespace ptzdeck {
class DeviceWorker;
}
namespace ptzdeck::platform {
class DeviceNotifier;
}

namespace ptzdeck::bridge {

class BridgeService : public QObject {
    Q_OBJECT

public:
    explicit BridgeService(BridgeConfig config, QObject* parent = nullptr);
    ~BridgeService() override;

    // Starts following the devices and serves the cameras there now. False
    // when device changes cannot be followed (the cameras there now are
    // still served).
    bool start();

private:
    void rescan();
    void serve(const std::vector<DeviceInfo>& cameras);
    void tellServing();  // on the bus, what the cameras serve now

    BridgeConfig config_;
    platform::DeviceNotifier* notifier_ = nullptr;
    QTimer* settle_ = nullptr;
    BridgeBus* bus_ = nullptr;
    DeviceWorker* roster_ = nullptr;                            // walks the cameras, in the order asked
    std::map<int, std::unique_ptr<CameraListener>> listeners_;  // by camera number
};

}  // namespace ptzdeck::bridge
