// PLACEHOLDER: empty bodies until this part of the window is written.
#include "MainWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>

void MainWindow::MoveEvent(BaseDevice*, int, int, int) {}
void MainWindow::MovePlace(int) {}
void MainWindow::SpeedX(int) {}
void MainWindow::SpeedY(int) {}
void MainWindow::zoomchanged() {}
void MainWindow::zoomstop() {}
void MainWindow::focuschanged() {}
void MainWindow::focusstop() {}
void MainWindow::keyPressEvent(QKeyEvent* event) { QMainWindow::keyPressEvent(event); }
void MainWindow::keyReleaseEvent(QKeyEvent* event) { QMainWindow::keyReleaseEvent(event); }
void MainWindow::on_btn_home_clicked() {}
