// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Buses.h"

#include <QFile>

#include <filesystem>
#include <system_error>

#include "platform/Backends.h"
#include "platform/v4l2/V4l2Backend.h"

namespace {

constexpr char kDeviceClass[] = "#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

}  // namespace

SimulatedBusDirectory::SimulatedBusDirectory(int cameras, int others)
{
    if (!dir_.isValid())
        return;
    // The log exists before any window watches the directory.
    QFile log(dir_.filePath(QStringLiteral("requests.log")));
    if (!log.open(QIODevice::WriteOnly))
        return;
    // File names give the order: the webcams' sort before the cameras'.
    for (int i = 1; i <= others; ++i)
        Write(QStringLiteral("a-webcam-%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("USB Webcam"),
            QStringLiteral("vid_046d&pid_0825"), i);
    for (int i = 1; i <= cameras; ++i)
        Write(QStringLiteral("b-ptz-%1").arg(i), QStringLiteral("PTZ Camera"), QStringLiteral("vid_0000&pid_8888"), i);
}

void SimulatedBusDirectory::Write(const QString& baseName, const QString& name, const QString& vidPid, int serial)
{
    QFile file(dir_.filePath(baseName + QStringLiteral(".cam")));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(QStringLiteral("name=%1 %2\npath=\\\\?\\usb#%3&mi_00#%2%4\n")
                   .arg(name)
                   .arg(serial)
                   .arg(vidPid, QLatin1String(kDeviceClass))
                   .toUtf8());
    ++nodes_;
}

std::unique_ptr<lumetra::platform::Backend> SimulatedBusDirectory::CreateBackend() const
{
    return lumetra::platform::CreateSimDirectoryBackend(QFile::encodeName(dir_.path()).toStdString());
}

std::vector<SetRequest> SimulatedBusDirectory::TakeSetRequests()
{
    std::vector<SetRequest> requests;
    QFile log(dir_.filePath(QStringLiteral("requests.log")));
    if (!log.open(QIODevice::ReadOnly) || !log.seek(consumed_))
        return requests;
    const QByteArray tail = log.readAll();
    const int complete = tail.lastIndexOf('\n') + 1;  // a line still being written waits
    consumed_ += complete;
    // "<camera> ks-set <set> <id> value1=<v> value2=<v> flags=0x<hex> len=<n>"
    for (const QByteArray& line : tail.left(complete).split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() < 4 || words[1] != "ks-set")
            continue;
        SetRequest r;
        r.camera = QString::fromUtf8(words[0]);
        r.set = QString::fromUtf8(words[2]);
        r.id = words[3].toInt();
        for (const QByteArray& word : words) {
            if (word.startsWith("value1="))
                r.value1 = word.mid(7).toInt();
            else if (word.startsWith("flags=0x"))
                r.flags = word.mid(8).toInt(nullptr, 16);
        }
        requests.push_back(r);
    }
    return requests;
}

FakeV4l2Bus::FakeV4l2Bus(int cameras, int others)
    : machine_(std::make_shared<fake::FakeMachine>()), counter_(std::make_shared<SyscallCounter>(machine_))
{
    unsigned node = 0;
    for (int i = 0; i < others; ++i, ++node) {
        if (i % 2 == 0)
            machine_->AddOtherUsbNode(node, 0x0ac8, 0x301b, "USB Camera", "gspca_zc3xx");
        else
            machine_->AddPlatformNode(node, "vivid");
    }
    for (int i = 0; i < cameras; ++i, node += 2) {
        auto camera = std::make_shared<fake::FakeUvcCamera>(0x0000, 0x8888);
        fake::AddTypicalPtzControls(*camera);
        machine_->Plug(camera, node, node + 1, "PTZ Camera " + std::to_string(i + 1));
        cameras_.push_back(std::move(camera));
    }
    nodes_ = static_cast<int>(node);
}

FakeV4l2Bus::~FakeV4l2Bus()
{
    // A window that outlived its camera may still hold the machine; the tree
    // goes in any case.
    std::error_code ignored;
    std::filesystem::remove_all(machine_->SysfsRoot(), ignored);
}

std::unique_ptr<lumetra::platform::Backend> FakeV4l2Bus::CreateBackend() const
{
    return lumetra::platform::v4l2::CreateV4l2Backend({machine_->SysfsRoot(), counter_});
}
