// ptzdeck: a control panel for USB PTZ cameras.
#include <QApplication>

#include "MainWindow.h"

int main(int argc, char* argv[])
{
    // The panel paints with the raster engine only. Without this, Qt's X11
    // back end loads its GLX integration and with it Mesa and LLVM: some
    // 30 MB resident and a slower start, for nothing. A user's own choice wins.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
