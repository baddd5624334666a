// PLACEHOLDER: empty bodies until this part of the window is written.
#include "MainWindow.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>

void MainWindow::on_btn_mute_clicked() {}
void MainWindow::on_btn_af_clicked() {}
void MainWindow::on_btn_ai_clicked() {}
void MainWindow::on_btn_push_clicked() {}
void MainWindow::on_btn_num0_clicked() {}
void MainWindow::on_btn_num1_clicked() {}
void MainWindow::on_btn_num2_clicked() {}
void MainWindow::on_btn_num3_clicked() {}
void MainWindow::on_btn_num4_clicked() {}
void MainWindow::on_btn_num5_clicked() {}
void MainWindow::on_btn_num6_clicked() {}
void MainWindow::on_btn_num7_clicked() {}
void MainWindow::on_btn_num8_clicked() {}
void MainWindow::on_btn_num9_clicked() {}
void MainWindow::on_btn_set_clicked() {}
void MainWindow::on_btn_clear_clicked() {}
void MainWindow::on_btn_flip_clicked() {}
void MainWindow::on_btn_mirror_clicked() {}
