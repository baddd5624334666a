// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The two buses a measured window runs on: a simulated bus directory of
// .cam files, and a fake V4L2 machine (sysfs tree and device nodes) whose
// system calls are counted. Non-camera devices come first in system order,
// so that every walk of the bus passes them before reaching a camera.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "FakeMachine.h"
#include "SyscallCounter.h"
#include "platform/Platform.h"

// One set request as a simulated camera logged it.
struct SetRequest {
    QString camera;  // the .cam file's base name
    QString set;     // "camera-control" or "proc-amp"
    int id = -1;
    int value1 = 0;
    int flags = 0;
};

class SimulatedBusDirectory {
public:
    // `others` webcams of another make, then `cameras` supported cameras.
    SimulatedBusDirectory(int cameras, int others);

    bool IsValid() const { return dir_.isValid(); }
    QString Path() const { return dir_.path(); }
    int Nodes() const { return nodes_; }
    // A fresh backend over the directory: it has read no .cam file yet.
    std::unique_ptr<lumetra::platform::Backend> CreateBackend() const;
    // The set requests among the whole lines requests.log gained since the
    // last call.
    std::vector<SetRequest> TakeSetRequests();

private:
    void Write(const QString& baseName, const QString& name, const QString& vidPid, int serial);

    QTemporaryDir dir_;
    int nodes_ = 0;
    qint64 consumed_ = 0;
};

class FakeV4l2Bus {
public:
    // `others` video nodes that are not cameras (other drivers' USB nodes
    // and platform nodes, alternately), then `cameras` supported PTZ cameras
    // with a capture and a metadata node each.
    FakeV4l2Bus(int cameras, int others);
    ~FakeV4l2Bus();
    FakeV4l2Bus(const FakeV4l2Bus&) = delete;
    FakeV4l2Bus& operator=(const FakeV4l2Bus&) = delete;

    int Nodes() const { return nodes_; }
    QString Root() const { return QString::fromStdString(machine_->SysfsRoot()); }
    std::unique_ptr<lumetra::platform::Backend> CreateBackend() const;
    // Every system call the backends made so far.
    const SyscallCounts& Counts() const { return counter_->Counts(); }
    fake::FakeUvcCamera& Camera(int index) { return *cameras_.at(static_cast<size_t>(index)); }

private:
    std::shared_ptr<fake::FakeMachine> machine_;
    std::shared_ptr<SyscallCounter> counter_;
    std::vector<std::shared_ptr<fake::FakeUvcCamera>> cameras_;
    int nodes_ = 0;
};
