// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The floor of a Qt 5 Widgets start-up: one frameless window of the panel's
// size (653 x 436) and, with --picture, one compiled-in PNG shown in it.
// Started the way ptzdeck starts (raster only, high-dpi scaling on), so the
// difference between the two is what the panel itself does.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include <cstring>

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    const bool picture = argc > 1 && std::strcmp(argv[1], "--picture") == 0;

    QWidget window;
    window.setWindowFlags(Qt::FramelessWindowHint);
    window.setFixedSize(653, 436);
    if (picture) {
        auto* label = new QLabel(&window);
        label->setPixmap(QPixmap(QStringLiteral(":/floor/picture.png")));
        label->adjustSize();
    }
    window.show();
    return app.exec();
}
