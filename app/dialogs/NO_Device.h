// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The warning shown when no supported camera is found: OK hides it, Quit
// ends the program.
#pragma once

#include <QDialog>
#include <QPoint>

class QMouseEvent;
namespace Ui {
class NO_DeviceForm;
}
using NO_DeviceForm = Ui::NO_DeviceForm;

class NO_Device : public QDialog {
    Q_OBJECT

public:
    explicit NO_Device(QWidget* parent);
    ~NO_Device() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private slots:
    void on_btn_quit_clicked();
    void on_btn_ok_clicked();

private:
    NO_DeviceForm* ui = nullptr;
    // Where in the window the drag took hold: the pointer less the window's
    // position at the press. Each step puts that point under the pointer.
    QPoint dragGrab{0, 0};
    bool dragging = false;
};
