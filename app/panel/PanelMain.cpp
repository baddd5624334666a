// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel itself: the application, its window and its name on the session
// bus. Built as the module the ptzdeck program loads when it runs the panel.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QPixmapCache>
#include <QThreadPool>
#include <QTranslator>

#include "window/MainWindow.h"
#include "desktop/SessionPlatform.h"
#include "program/PanelModule.h"
#include "panel/BridgeWatch.h"
#include "panel/PanelService.h"

namespace {

// An idle panel wakes for nothing. Qt's pixmap cache runs a flush timer for
// as long as it holds anything (it fired 30 and 60 s after start-up), and the
// threads that converted images for it waited 30 s before exiting. The cache
// only shares images while a burst of work loads them; the style holds on to
// what it loaded, so the cache is emptied, and its timer stopped, whenever the
// event loop is about to wait.
void KeepIdleSilent()
{
    QThreadPool::globalInstance()->setExpiryTimeout(0);
    QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [] { QPixmapCache::clear(); });
}

}  // namespace

extern "C" PTZDECK_PANEL_EXPORT int ptzdeck_panel_main(int argc, char* argv[], int (*showRunningPanel)())
{
    // The panel paints with the raster engine only. Without this, Qt's X11
    // back end loads its GLX integration and with it Mesa and LLVM: some
    // 30 MB resident and a slower start, for nothing. A user's own choice wins.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    ptzdeck::platform::PreferXWayland();
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    // Docks, task switchers and the Wayland app id find the program by this
    // name: its desktop file is ptzdeck.desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("ptzdeck"));
    KeepIdleSilent();
    // The user's language (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG), from
    // the catalogs compiled into the panel; English is the source.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("ptzdeck"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&translator);
    // Before the window, so that a panel started in the same moment as
    // another shows nothing of itself; without a session bus the panel works
    // all the same.
    PanelService service;
    if (service.claim() == PanelService::Claim::Taken && showRunningPanel())
        return 0;
    MainWindow window;
    service.attach(&window);
    const ptzdeck::remote::BridgeWatch bridge;
    service.followBridge(&bridge);
    window.followBridge(&bridge);
    window.show();
    return app.exec();
}
