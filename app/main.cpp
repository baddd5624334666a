// ptzdeck: a control panel for USB PTZ cameras.
#include <QApplication>

#include "MainWindow.h"

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
