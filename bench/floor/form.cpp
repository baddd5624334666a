// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The panel's window form alone: the widgets, style sheets and background
// uic builds from forms/MainWindow.ui, shown the way the panel shows its
// window, with nothing of the panel behind it (no camera library, tray,
// session bus, hot-plug or gamepads, and no key faces, which the window sets
// in code). Beside the floor and ptzdeck it splits the panel's cost into
// what drawing its face takes and what its work adds.
#include <QApplication>
#include <QMainWindow>

#include "ui_MainWindow.h"

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);

    QMainWindow window;
    window.setWindowFlags(Qt::FramelessWindowHint);  // before the form, as the panel does
    Ui::MainWindowForm form;
    form.setupUi(&window);
    window.setFixedSize(window.size());
    window.setAttribute(Qt::WA_TranslucentBackground, true);
    window.show();
    return app.exec();
}
