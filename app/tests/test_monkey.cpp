// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The whole panel under a seeded monkey: tens of thousands of random user
// actions on the real widgets, interleaved with cameras plugged, unplugged,
// vanishing while open and failing in every way the simulated bus can
// inject. After every action the cameras' requests and the window's faces
// are held to the reference model (monkey/PanelModel): no request to a
// camera the library holds closed, none the panel's state does not allow,
// no failed call changing what the panel shows, no warning left up with
// cameras present, and, whenever nothing is held, no timer running.
//
// A failure names its seed and action; PTZDECK_MONKEY_SEED=<seed> replays
// that seed alone, PTZDECK_MONKEY_ACTIONS=<n> sets the actions per seed
// (a longer soak), PTZDECK_MONKEY_SEEDS=<n> the number of seeds.
#include <QElapsedTimer>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <unistd.h>

#include "monkey/Monkey.h"

namespace {

constexpr quint64 kFirstSeed = 0x5eed0001;
constexpr int kSeeds = 4;
#if defined(__SANITIZE_ADDRESS__)
// The sanitizers slow every action several times over.
constexpr int kActionsPerSeed = 2500;
#else
constexpr int kActionsPerSeed = 5000;
#endif
// An action that takes this long has hung.
constexpr unsigned kActionSeconds = 120;

// Where the monkey is, kept ready for a signal handler: a crash or a hang
// still tells which seed and action to replay.
char g_where[256];
size_t g_whereLength = 0;

// What handled each signal before (QtTest's crash report among them).
struct sigaction g_previous[NSIG];

void ReportAndDie(int signal)
{
    static const char hang[] = "\nmonkey: an action did not end within its time\n";
    if (signal == SIGALRM)
        (void)!write(STDERR_FILENO, hang, sizeof hang - 1);
    (void)!write(STDERR_FILENO, g_where, g_whereLength);
    if (signal == SIGALRM)
        _exit(3);
    // On to whoever handled it before, or to the default.
    sigaction(signal, &g_previous[signal], nullptr);
    std::raise(signal);
}

void InstallReporter()
{
    struct sigaction report {};
    report.sa_handler = ReportAndDie;
    sigemptyset(&report.sa_mask);
    for (int s : {SIGALRM, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        sigaction(s, &report, &g_previous[s]);
}

int EnvironmentNumber(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

}  // namespace

class MonkeyTest : public QObject {
    Q_OBJECT

private:
    monkey::MonkeyBus* bus = nullptr;
    monkey::Totals all;
    QElapsedTimer clock;

private slots:
    void initTestCase()
    {
        bus = new monkey::MonkeyBus;
        QVERIFY(bus->isValid());
        InstallReporter();
        clock.start();
    }

    void cleanupTestCase()
    {
        alarm(0);
        qInfo("monkey: %s in %.1f s", qPrintable(all.text()), clock.elapsed() / 1000.0);
        qInfo("monkey actions: %s", qPrintable(all.kinds()));
        delete bus;
    }

    // One row per seed, each on a window of its own.
    void randomUserAndCameras_data()
    {
        QTest::addColumn<quint64>("seed");
        const QByteArray chosen = qgetenv("PTZDECK_MONKEY_SEED");
        if (!chosen.isEmpty()) {
            bool ok = false;
            const quint64 seed = chosen.toULongLong(&ok, 0);
            QVERIFY2(ok, "PTZDECK_MONKEY_SEED is not a number");
            QTest::addRow("seed 0x%llx", seed) << seed;
            return;
        }
        for (int i = 0; i < EnvironmentNumber("PTZDECK_MONKEY_SEEDS", kSeeds); ++i)
            QTest::addRow("seed 0x%llx", kFirstSeed + quint64(i)) << kFirstSeed + quint64(i);
    }

    void randomUserAndCameras()
    {
        QFETCH(quint64, seed);
        const int actions = EnvironmentNumber("PTZDECK_MONKEY_ACTIONS", kActionsPerSeed);
        const QString replay =
            QStringLiteral("PTZDECK_MONKEY_SEED=0x%1 PTZDECK_MONKEY_ACTIONS=%2").arg(seed, 0, 16).arg(actions);
        monkey::Monkey monkey(*bus, seed);
        monkey.beforeAction = [&](int action) {
            g_whereLength = size_t(
                std::snprintf(g_where, sizeof g_where, "monkey: %s, at action %d\n", qPrintable(replay), action));
            g_whereLength = std::min(g_whereLength, sizeof g_where - 1);
            alarm(kActionSeconds);
        };
        const QString failure = monkey.run(actions);
        alarm(0);
        all += monkey.totals();
        if (!failure.isEmpty())
            QFAIL(qPrintable(QStringLiteral("replay with %1\n%2").arg(replay, failure)));
        qInfo("%s", qPrintable(monkey.totals().text()));
        QCOMPARE(monkey.totals().actions, actions);
    }
};

QTEST_MAIN(MonkeyTest)
#include "test_monkey.moc"
