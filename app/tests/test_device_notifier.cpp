// The device-change notifier: cameras plugged into and unplugged from a
// simulated bus directory, files that are not cameras, and registration.
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "platform/DeviceChangeMessage.h"
#include "platform/DeviceNotifier.h"
#include "platform/VideoNodeChanges.h"
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
        QTest::newRow("lent and taken back") << a << QList<Batch>{{a, {v4l, v4l, v4l, v4l}, {false, false, false, false}}};
        QTest::newRow("a driver bound late") << a << QList<Batch>{{ab, {v4l, v4l}, {true, true}}};
        QTest::newRow("a driver gone") << ab << QList<Batch>{{a, {v4l, v4l}, {true, true}}};
        QTest::newRow("read while the nodes were away") << a << QList<Batch>{
            {{}, {v4l, v4l}, {true, true}}, {a, {v4l, v4l}, {true, true}}, {a, {v4l}, {false}}};
        QTest::newRow("USB devices always count") << a << QList<Batch>{
            {ab, {usb, v4l, v4l}, {true, false, false}}, {ab, {v4l}, {false}}, {a, {usb}, {true}}};
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

    // Without a simulated bus, real devices are followed.
    void realDevicesThroughUdev()
    {
        DeviceNotifier notifier;
        QVERIFY(notifier.start());
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
