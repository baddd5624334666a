// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// ptzdeck-bridge: every camera ptzdeck drives, as a VISCA over IP camera.
#include <QCoreApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "bridge/BridgeConfig.h"
#include "bridge/BridgeService.h"

namespace {

int stopPipe[2] = {-1, -1};

void Stop(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &byte, 1);
}

const char kUsage[] =
    "Usage: ptzdeck-bridge [--config FILE]\n"
    "Serves every camera ptzdeck drives as a VISCA over IP camera: camera N on\n"
    "Sony VISCA over IP (UDP 52381+N-1), raw VISCA over UDP (1259+N-1) and over\n"
    "TCP (5678+N-1), on 127.0.0.1 unless the configuration names other addresses.\n"
    "FILE defaults to $XDG_CONFIG_HOME/ptzdeck/bridge.conf (~/.config/ptzdeck/bridge.conf).\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString path = ptzdeck::bridge::DefaultBridgeConfigPath();
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--config") && i + 1 < args.size()) {
            path = args[++i];
        } else if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "ptzdeck-bridge: unknown argument \"%s\"\n%s", qPrintable(args[i]), kUsage);
            return 2;
        }
    }
    QStringList problems;
    const ptzdeck::bridge::BridgeConfig config = ptzdeck::bridge::ReadBridgeConfig(path, problems);
    for (const QString& problem : problems)
        std::fprintf(stderr, "ptzdeck-bridge: %s\n", qPrintable(problem));

    // SIGTERM and SIGINT end the event loop, so moving cameras are stopped
    // and every camera is closed on its own thread.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, stopPipe) == 0) {
        std::signal(SIGTERM, Stop);
        std::signal(SIGINT, Stop);
        auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    }

    ptzdeck::bridge::BridgeService service(config);
    service.start();
    return app.exec();
}
