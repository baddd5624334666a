// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The warning shown when a camera button has no camera behind it.
#pragma once

#include <QDialog>
#include <QPoint>

class QMouseEvent;
namespace Ui {
class NO_Mord_CameraForm;
}
using NO_Mord_CameraForm = Ui::NO_Mord_CameraForm;

class NO_Mord_Camera : public QDialog {
    Q_OBJECT

public:
    explicit NO_Mord_Camera(QWidget* parent);
    ~NO_Mord_Camera() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private slots:
    void on_btn_ok_clicked();

private:
    NO_Mord_CameraForm* ui = nullptr;
    // Where in the window the drag took hold: the pointer less the window's
    // position at the press. Each step puts that point under the pointer.
    QPoint dragGrab{0, 0};
    bool dragging = false;
};
