// PLACEHOLDER: empty bodies until this part of the window is written.
#include "MainWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>

void MainWindow::mousePressEvent(QMouseEvent* event) { QMainWindow::mousePressEvent(event); }
void MainWindow::mouseReleaseEvent(QMouseEvent* event) { QMainWindow::mouseReleaseEvent(event); }
void MainWindow::mouseMoveEvent(QMouseEvent* event) { QMainWindow::mouseMoveEvent(event); }
void MainWindow::enterEvent(QEvent* event) { QMainWindow::enterEvent(event); }
void MainWindow::leaveEvent(QEvent* event) { QMainWindow::leaveEvent(event); }
void MainWindow::paintEvent(QPaintEvent* event) { QMainWindow::paintEvent(event); }
void MainWindow::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason) {}
void MainWindow::on_btn_top_clicked() {}
void MainWindow::on_btn_min_clicked() {}
void MainWindow::on_btn_close_clicked() {}
