// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The device-change notifier: cameras plugged into and unplugged from a
// simulated bus directory, files that are not cameras, registration, and
// gamepads followed through udev.
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <cstring>
#include <linux/netlink.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "devices/DeviceChangeMessage.h"
#include "devices/DeviceNotifier.h"
#include "devices/VideoNodeChanges.h"
#include "support/DescriptorsExhausted.h"

using ptzdeck::platform::DBT_DEVICEARRIVAL;
using ptzdeck::platform::DBT_DEVICEREMOVECOMPLETE;
using ptzdeck::platform::DeviceNotifier;
using ptzdeck::platform::VideoNodeChanges;

// Events read together from udev, and the USB devices with video nodes by
// the time they are read.
struct Batch {
    QSet<QByteArray> owners;
    QList<QByteArray> subsystems;
    QList<bool> reported;
};
Q_DECLARE_METATYPE(QList<Batch>)

namespace {

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(text);
}

// Announces a device on the udev multicast group as udevd does once it has
// handled it: libudev's own message (header, hashes the in-kernel filter
// reads, the properties). Root may send on that group; others may not.
class UdevAnnouncer {
public:
    UdevAnnouncer() : fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT))
    {
        sockaddr_nl self{};
        self.nl_family = AF_NETLINK;
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self) < 0) {
            close(fd);
            fd = -1;
        }
    }
    ~UdevAnnouncer()
    {
        if (fd >= 0)
            close(fd);
    }

    // False when the system will not carry it (no permission). `extra`:
    // further properties ("DEVNAME=...", "ID_INPUT_JOYSTICK=1").
    bool announce(const char* action, const char* subsystem, const char* devtype, const char* devpath,
        const QList<QByteArray>& extra = {})
    {
        QByteArray properties;
        const auto add = [&](const QByteArray& line) { properties += line + '\0'; };
        add(QByteArray("ACTION=") + action);
        add(QByteArray("DEVPATH=") + devpath);
        add(QByteArray("SUBSYSTEM=") + subsystem);
        if (devtype)
            add(QByteArray("DEVTYPE=") + devtype);
        for (const QByteArray& line : extra)
            add(line);
        add("SEQNUM=" + QByteArray::number(++sequence));
        struct Header {
            char prefix[8] = "libudev";
            uint32_t magic = htonl(0xfeedcafe);
            uint32_t headerSize = sizeof(Header);
            uint32_t propertiesOffset = sizeof(Header);
            uint32_t propertiesLength = 0;
            uint32_t subsystemHash = 0;
            uint32_t devtypeHash = 0;
            uint32_t tagBloomHigh = 0;
            uint32_t tagBloomLow = 0;
        } header;
        header.propertiesLength = uint32_t(properties.size());
        header.subsystemHash = htonl(Murmur2(subsystem));
        header.devtypeHash = devtype ? htonl(Murmur2(devtype)) : 0;
        const QByteArray message = QByteArray(reinterpret_cast<const char*>(&header), sizeof header) + properties;
        sockaddr_nl group{};
        group.nl_family = AF_NETLINK;
        group.nl_groups = 2;  // udev's, after its rules ran (the kernel's is 1)
        return fd >= 0
               && sendto(fd, message.constData(), size_t(message.size()), 0, reinterpret_cast<sockaddr*>(&group),
                      sizeof group)
                      == message.size();
    }

private:
    // MurmurHash2 with seed 0, the hash libudev's filter compares.
    static uint32_t Murmur2(const char* text)
    {
        const uint32_t m = 0x5bd1e995;
        int length = int(std::strlen(text));
        uint32_t h = uint32_t(length);
        const auto* data = reinterpret_cast<const unsigned char*>(text);
        for (; length >= 4; data += 4, length -= 4) {
            uint32_t k;
            std::memcpy(&k, data, 4);
            k *= m;
            k ^= k >> 24;
            k *= m;
            h = h * m ^ k;
        }
        switch (length) {
        case 3:
            h ^= uint32_t(data[2]) << 16;
            [[fallthrough]];
        case 2:
            h ^= uint32_t(data[1]) << 8;
            [[fallthrough]];
        case 1:
            h ^= data[0];
            h *= m;
        }
        h ^= h >> 13;
        h *= m;
        return h ^ (h >> 15);
    }

    int fd;
    int sequence = 0;
};

QList<quint64> Events(const QSignalSpy& spy)
{
    QList<quint64> out;
    for (const QList<QVariant>& args : spy)
        out << args.at(0).value<quint64>();
    return out;
}

}  // namespace

class DeviceNotifierTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<quintptr>("quintptr"); }
    void init() { qunsetenv("LUMETRA_SIM_DIR"); }

    void reportsCamerasPluggedAndUnplugged()
    {
        QTemporaryDir bus;
        WriteFile(bus.filePath("present.cam"), "name=x\n");
        qputenv("LUMETRA_SIM_DIR", QFile::encodeName(bus.path()));
        DeviceNotifier notifier;
        QVERIFY(notifier.start());
        QSignalSpy changes(&notifier, &DeviceNotifier::deviceChanged);

        WriteFile(bus.filePath("a.cam"), "name=a\n");
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(Events(changes), QList<quint64>{DBT_DEVICEARRIVAL});

        // Written aside, then renamed into place.
        WriteFile(bus.filePath("b.part"), "name=b\n");
        QVERIFY(QFile::rename(bus.filePath("b.part"), bus.filePath("b.cam")));
        QTRY_COMPARE(changes.count(), 2);
        QCOMPARE(Events(changes).last(), quint64(DBT_DEVICEARRIVAL));

        QVERIFY(QFile::remove(bus.filePath("a.cam")));
        QVERIFY(QFile::remove(bus.filePath("present.cam")));
        QTRY_COMPARE(changes.count(), 4);
        QCOMPARE(Events(changes).mid(2), (QList<quint64>{DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEREMOVECOMPLETE}));
    }

    // The request log and other files beside the cameras are not devices.
    void ignoresFilesThatAreNotCameras()
    {
        QTemporaryDir bus;
        qputenv("LUMETRA_SIM_DIR", QFile::encodeName(bus.path()));
        DeviceNotifier notifier;
        QVERIFY(notifier.start());
        QSignalSpy changes(&notifier, &DeviceNotifier::deviceChanged);
        // A second watcher on the same directory tells when the changes have
        // been reported to anyone listening.
        QFileSystemWatcher witness({bus.path()});
        QSignalSpy seen(&witness, &QFileSystemWatcher::directoryChanged);

        WriteFile(bus.filePath("requests.log"), "a get-range proc-amp 8\n");
        WriteFile(bus.filePath("requests.log"), "a get proc-amp 8\n");
        WriteFile(bus.filePath("c.part"), "name=c\n");
        QVERIFY(QFile::rename(bus.filePath("c.part"), bus.filePath("notes.txt")));
        QVERIFY(QFile::remove(bus.filePath("notes.txt")));
        QVERIFY(QDir(bus.path()).mkdir("sub"));
        QTRY_VERIFY(seen.count() > 0);
        QCoreApplication::processEvents();
        QCOMPARE(changes.count(), 0);

        WriteFile(bus.filePath("c.cam"), "name=c\n");
        QTRY_COMPARE(changes.count(), 1);
    }

    void unplugsEverythingWhenTheBusGoes()
    {
        auto bus = std::make_unique<QTemporaryDir>();
        WriteFile(bus->filePath("a.cam"), "name=a\n");
        qputenv("LUMETRA_SIM_DIR", QFile::encodeName(bus->path()));
        DeviceNotifier notifier;
        QVERIFY(notifier.start());
        QSignalSpy changes(&notifier, &DeviceNotifier::deviceChanged);
        bus.reset();
        QTRY_VERIFY(changes.count() >= 1);
        for (quint64 event : Events(changes))
            QCOMPARE(event, quint64(DBT_DEVICEREMOVECOMPLETE));
    }

    // More changes than the kernel queues: the camera plugged last is lost in
    // the overflow, which must still bring a discovery pass.
    void reportsAChangeWhenEventsWereDropped()
    {
        QFile limitFile(QStringLiteral("/proc/sys/fs/inotify/max_queued_events"));
        QVERIFY(limitFile.open(QIODevice::ReadOnly));
        const int limit = limitFile.readAll().trimmed().toInt();
        if (limit <= 0 || limit > 200000)
            QSKIP("this kernel's inotify queue is too long to fill here");
        QTemporaryDir bus;
        qputenv("LUMETRA_SIM_DIR", QFile::encodeName(bus.path()));
        DeviceNotifier notifier;
        QVERIFY(notifier.start());
        QSignalSpy changes(&notifier, &DeviceNotifier::deviceChanged);

        // Nothing reads the queue until the event loop runs again.
        for (int i = 0; i < limit; ++i) {
            QFile part(bus.filePath(QStringLiteral("%1.part").arg(i)));
            QVERIFY(part.open(QIODevice::WriteOnly));
        }
        WriteFile(bus.filePath("late.cam"), "name=late\n");
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(Events(changes), QList<quint64>{DBT_DEVICEARRIVAL});
    }

    // A camera whose driver lets go and takes it back (the camera library
    // borrowing its interface) is neither unplugged nor plugged in.
    void videoNodeChanges_data()
    {
        QTest::addColumn<QSet<QByteArray>>("before");
        QTest::addColumn<QList<Batch>>("batches");
        const QByteArray v4l = "video4linux", usb = "usb";
        const QSet<QByteArray> a{"/sys/devices/usb1/1-1"}, ab{"/sys/devices/usb1/1-1", "/sys/devices/usb1/1-2"};
        QTest::newRow("lent and taken back")
            << a << QList<Batch>{{a, {v4l, v4l, v4l, v4l}, {false, false, false, false}}};
        QTest::newRow("a driver bound late") << a << QList<Batch>{{ab, {v4l, v4l}, {true, true}}};
        QTest::newRow("a driver gone") << ab << QList<Batch>{{a, {v4l, v4l}, {true, true}}};
        QTest::newRow("read while the nodes were away")
            << a << QList<Batch>{{{}, {v4l, v4l}, {true, true}}, {a, {v4l, v4l}, {true, true}}, {a, {v4l}, {false}}};
        QTest::newRow("other devices never count") << a
                                                   << QList<Batch>{{ab, {usb, v4l, v4l}, {false, true, true}},
                                                          {ab, {usb}, {false}}, {a, {usb, v4l}, {false, true}}};
    }

    void videoNodeChanges()
    {
        QFETCH(QSet<QByteArray>, before);
        QFETCH(QList<Batch>, batches);
        QSet<QByteArray> now = before;
        VideoNodeChanges changes([&] { return now; });
        for (const Batch& batch : batches) {
            now = batch.owners;
            changes.startBatch();
            QList<bool> reported;
            for (const QByteArray& subsystem : batch.subsystems)
                reported << changes.reported(subsystem);
            QCOMPARE(reported, batch.reported);
        }
    }

    // Without a simulated bus, real devices are followed: video devices
    // only. A mouse or a memory stick coming or going reports nothing; each
    // row ends with a camera's video node as a fence, which must be the one
    // and only change reported.
    void realDevicesThroughUdev_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("subsystem");
        QTest::addColumn<QString>("devtype");
        QTest::addColumn<bool>("reported");
        QTest::newRow("a camera's video node arrives") << "add"
                                                       << "video4linux"
                                                       << "" << true;
        QTest::newRow("a camera's video node leaves") << "remove"
                                                      << "video4linux"
                                                      << "" << true;
        QTest::newRow("a USB mouse arrives") << "add"
                                             << "usb"
                                             << "usb_device" << false;
        QTest::newRow("its interface") << "add"
                                       << "usb"
                                       << "usb_interface" << false;
        QTest::newRow("its input device") << "add"
                                          << "input"
                                          << "" << false;
        QTest::newRow("a memory stick's disk") << "add"
                                               << "block"
                                               << "disk" << false;
        QTest::newRow("a USB device leaves") << "remove"
                                             << "usb"
                                             << "usb_device" << false;
    }

    void realDevicesThroughUdev()
    {
        QFETCH(QString, action);
        QFETCH(QString, subsystem);
        QFETCH(QString, devtype);
        QFETCH(bool, reported);
        // The announced devices are not in sysfs: each look at it finds the
        // video devices changed, as they would be by a real arrival.
        int looks = 0;
        DeviceNotifier notifier(nullptr, [&] { return QSet<QByteArray>{QByteArray::number(++looks)}; });
        QVERIFY(notifier.start());
        QSignalSpy changes(&notifier, &DeviceNotifier::deviceChanged);
        UdevAnnouncer udev;
        const QByteArray devtypeText = devtype.toLatin1();
        if (!udev.announce(qPrintable(action), qPrintable(subsystem),
                devtype.isEmpty() ? nullptr : devtypeText.constData(), "/devices/pci0000:00/0000:00:14.0/usb1/1-3"))
            QSKIP("this system does not let the test announce devices as udev does (it needs root)");
        QVERIFY(udev.announce(
            "add", "video4linux", nullptr, "/devices/pci0000:00/0000:00:14.0/usb1/1-4/video4linux/video9"));
        const quint64 fence = DBT_DEVICEARRIVAL;
        const quint64 first = action == QLatin1String("add") ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
        const QList<quint64> expected = reported ? QList<quint64>{first, fence} : QList<quint64>{fence};
        QTRY_COMPARE_WITH_TIMEOUT(Events(changes).size(), expected.size(), 15000);
        QCOMPARE(Events(changes), expected);
    }

    // Gamepads come through the same monitor, whether the cameras are real
    // or simulated: a pad's event node (udev marks it ID_INPUT_JOYSTICK) and
    // nothing else of it, and never as a device change, which would start a
    // discovery pass. Each row ends with a pad's node arriving as a fence.
    // The announcements reach every program on the machine: their nodes are
    // numbered where no test's fake pad is.
    void gamepadsThroughUdev_data()
    {
        QTest::addColumn<bool>("simulated");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("devpath");
        QTest::addColumn<QStringList>("properties");
        QTest::addColumn<QString>("reported");  // "arrived", "left" or ""
        const QString pad = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-5/1-5:1.0/input/input1042");
        const QStringList eventNode{"DEVNAME=/dev/input/event1042", "ID_INPUT=1", "ID_INPUT_JOYSTICK=1"};
        for (const bool simulated : {false, true}) {
            const char* bus = simulated ? "simulated cameras: " : "real cameras: ";
            QTest::newRow(qPrintable(bus + QStringLiteral("a pad's event node arrives")))
                << simulated << "add" << pad + "/event1042" << eventNode << "arrived";
            QTest::newRow(qPrintable(bus + QStringLiteral("a pad's event node leaves")))
                << simulated << "remove" << pad + "/event1042" << eventNode << "left";
            QTest::newRow(qPrintable(bus + QStringLiteral("the pad's joystick node")))
                << simulated << "add" << pad + "/js0"
                << QStringList{"DEVNAME=/dev/input/js0", "ID_INPUT=1", "ID_INPUT_JOYSTICK=1"} << "";
            QTest::newRow(qPrintable(bus + QStringLiteral("the pad's input device, which has no node")))
                << simulated << "add" << pad << QStringList{"ID_INPUT=1", "ID_INPUT_JOYSTICK=1"} << "";
            QTest::newRow(qPrintable(bus + QStringLiteral("a keyboard's event node")))
                << simulated << "add" << QStringLiteral("/devices/platform/i8042/serio0/input/input3/event3")
                << QStringList{"DEVNAME=/dev/input/event3", "ID_INPUT=1", "ID_INPUT_KEY=1", "ID_INPUT_KEYBOARD=1"}
                << "";
        }
    }

    void gamepadsThroughUdev()
    {
        QFETCH(bool, simulated);
        QFETCH(QString, action);
        QFETCH(QString, devpath);
        QFETCH(QStringList, properties);
        QFETCH(QString, reported);
        qRegisterMetaType<ptzdeck::platform::InputNode>();
        QTemporaryDir bus;
        if (simulated)
            qputenv("LUMETRA_SIM_DIR", QFile::encodeName(bus.path()));
        // The camera announced below is in no sysfs: each look at the USB
        // devices with video nodes finds a new set.
        int looks = 0;
        DeviceNotifier notifier(nullptr, [&] { return QSet<QByteArray>{QByteArray::number(++looks)}; });
        QVERIFY(notifier.start());
        QVERIFY(notifier.followGamepads());
        QSignalSpy changes(&notifier, &DeviceNotifier::deviceChanged);
        QSignalSpy arrived(&notifier, &DeviceNotifier::gamepadArrived);
        QSignalSpy left(&notifier, &DeviceNotifier::gamepadLeft);
        UdevAnnouncer udev;
        QList<QByteArray> extra;
        for (const QString& p : properties)
            extra << p.toLatin1();
        if (!udev.announce(qPrintable(action), "input", nullptr, qPrintable(devpath), extra))
            QSKIP("this system does not let the test announce devices as udev does (it needs root)");
        // A camera's node too: with simulated cameras it is none of the
        // monitor's business; with real ones it is the one device change.
        QVERIFY(udev.announce(
            "add", "video4linux", nullptr, "/devices/pci0000:00/0000:00:14.0/usb1/1-4/video4linux/video9"));
        const QString fence = QStringLiteral("/devices/virtual/input/input1099/event1099");
        QVERIFY(udev.announce("add", "input", nullptr, qPrintable(fence),
            {"DEVNAME=/dev/input/event1099", "ID_INPUT=1", "ID_INPUT_JOYSTICK=1"}));
        const int arrivals = reported == QLatin1String("arrived") ? 2 : 1;
        QTRY_COMPARE_WITH_TIMEOUT(arrived.count(), arrivals, 15000);
        QCOMPARE(changes.count(), simulated ? 0 : 1);
        QCOMPARE(left.count(), reported == QLatin1String("left") ? 1 : 0);
        const auto node = [&](int i) { return arrived.at(i).at(0).value<ptzdeck::platform::InputNode>(); };
        QCOMPARE(node(arrivals - 1).devnode, QByteArray("/dev/input/event1099"));
        QCOMPARE(node(arrivals - 1).syspath, "/sys" + fence.toLatin1());
        if (arrivals == 2) {
            QCOMPARE(node(0).devnode, QByteArray("/dev/input/event1042"));
            QCOMPARE(node(0).syspath, "/sys" + devpath.toLatin1());
        }
        if (!left.isEmpty())
            QCOMPARE(left.at(0).at(0).toByteArray(), "/sys" + devpath.toLatin1());
    }

    void registrationCanFail_data()
    {
        QTest::addColumn<bool>("busExists");
        QTest::newRow("bus directory missing") << false;
        QTest::newRow("no descriptor left") << true;
    }

    void registrationCanFail()
    {
        QFETCH(bool, busExists);
        QTemporaryDir bus;
        qputenv("LUMETRA_SIM_DIR", QFile::encodeName(busExists ? bus.path() : bus.filePath("missing")));
        DeviceNotifier notifier;
        bool started;
        {
            std::unique_ptr<DescriptorsExhausted> exhausted;
            if (busExists)
                exhausted = std::make_unique<DescriptorsExhausted>();
            started = notifier.start();
        }
        QVERIFY(!started);
    }
};

QTEST_MAIN(DeviceNotifierTest)
#include "test_device_notifier.moc"
