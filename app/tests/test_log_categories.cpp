// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What a user attaches to a report: the panel's lines, as its standard
// error would show them, while a camera opens, refuses a command, another
// is plugged in, a bus call arrives and a gamepad comes and goes. Each part
// speaks only when its category is turned on.
#include "panel_harness.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusServer>
#include <QDir>
#include <QtTest>

#include "panel/BusNames.h"
#include "panel/PanelService.h"
#include "window/MainWindow.h"

namespace {

QStringList* g_lines = nullptr;

// Every message, formatted as the default handler writes it.
void Collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (g_lines)
        *g_lines << qFormatLogMessage(type, context, message);
}

}  // namespace

class LogCategoriesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(bus.isValid()); }
    void lines_data();
    void lines();

private:
    SimBus bus;
};

void LogCategoriesTest::lines_data()
{
    QTest::addColumn<QString>("rules");
    // Lines that must be there, each "category: words in it"; no other
    // ptzdeck category may say anything.
    QTest::addColumn<QStringList>("expected");

    const QStringList cameras{"ptzdeck.cameras: opened camera 1 \"PTZ Camera a\"",
        "ptzdeck.cameras: MuteOn not taken (RequestFault NoPermission)"};
    const QStringList hotplug{"ptzdeck.hotplug: watching the simulated bus",
        "ptzdeck.hotplug: simulated bus: b.cam plugged in", "ptzdeck.hotplug: discovery pass: 2 cameras"};
    const QStringList busLines{
        "ptzdeck.bus: SetMute(true) from", "ptzdeck.bus: SetMute answered io.github.ptzdeck.Panel.Error.NotTaken"};
    const QStringList gamepad{"ptzdeck.gamepad: gamepad found: \"", "ptzdeck.gamepad: gamepad lost: \""};

    QTest::newRow("every part") << "ptzdeck.*=true" << cameras + hotplug + busLines + gamepad;
    QTest::newRow("the bus alone") << "ptzdeck.bus=true" << busLines;
    QTest::newRow("no rules") << QString() << QStringList();
}

void LogCategoriesTest::lines()
{
    QFETCH(QString, rules);
    QFETCH(QStringList, expected);

    QStringList lines;
    g_lines = &lines;
    const QtMessageHandler before = qInstallMessageHandler(Collect);
    QLoggingCategory::setFilterRules(rules);
    const auto restore = qScopeGuard([before] {
        qInstallMessageHandler(before);
        QLoggingCategory::setFilterRules(QString());
        g_lines = nullptr;
    });

    bus.unplugAll();
    // Its own commands reach it and are refused: no access to its USB node.
    bus.plug(QStringLiteral("a"), {QStringLiteral("fault.camera-control.2=ks-set,no-permission")});
    {
        PanelDriver driver(bus);
        QVERIFY(driver.waitForFirstPass(true));

        // The panel's interface on a connection of the test's own: the same
        // calls as on the session bus, without touching the session's.
        PanelService service;
        service.attach(&driver.window());
        QDBusServer server(QStringLiteral("unix:tmpdir=") + QDir::tempPath());
        QVERIFY(server.isConnected());
        bool exported = false;
        connect(&server, &QDBusServer::newConnection, &service, [&](const QDBusConnection& connection) {
            exported = QDBusConnection(connection)
                           .registerObject(QString::fromLatin1(ptzdeck::remote::kObjectPath), &service,
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
        });
        QDBusConnection client = QDBusConnection::connectToPeer(server.address(), QStringLiteral("log-test"));
        const auto hangUp = qScopeGuard([] { QDBusConnection::disconnectFromPeer(QStringLiteral("log-test")); });
        QVERIFY(client.isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(exported, 30000);
        QDBusMessage call = QDBusMessage::createMethodCall(QString(), QString::fromLatin1(ptzdeck::remote::kObjectPath),
            QString::fromLatin1(ptzdeck::remote::kInterface), QStringLiteral("SetMute"));
        call << true;
        QDBusPendingCall answer = client.asyncCall(call);
        QTRY_VERIFY_WITH_TIMEOUT(answer.isFinished(), 30000);
        QCOMPARE(answer.error().name(), QString::fromLatin1(ptzdeck::remote::kErrorNotTaken));

        for (const char* step : {"plug b", "cameras 2", "pad plug p", "pad unplug p"}) {
            driver.run(step);
            QVERIFY2(!QTest::currentTestFailed(), step);
        }
    }

    QStringList ours = lines.filter(QRegularExpression(QStringLiteral("^ptzdeck\\.")));
    for (const QString& want : expected)
        QVERIFY2(!ours.filter(want).isEmpty(),
            qPrintable(QStringLiteral("no line with: %1\nthe panel said:\n%2").arg(want, ours.join('\n'))));
    QStringList categories;
    for (const QString& want : expected)
        categories << want.section(QLatin1Char(':'), 0, 0);
    for (const QString& line : ours)
        QVERIFY2(categories.contains(line.section(QLatin1Char(':'), 0, 0)), qPrintable(line));
}

QTEST_MAIN(LogCategoriesTest)
#include "test_log_categories.moc"
