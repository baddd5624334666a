// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialogs/NO_Mord_Camera.h"

#include "window/AppState.h"
#include "dialogs/WarningDialog.h"
#include "ui_NO_Mord_Camera.h"

NO_Mord_Camera::NO_Mord_Camera(QWidget* parent) : QDialog(parent)
{
    ui = new NO_Mord_CameraForm;
    ui->setupUi(this);
    warning_dialog::Place(this, g_noCameraAnchor, g_noCameraOnTop);
    ui->btn_ok->setStyleSheet(QStringLiteral("QPushButton{image: url(:/img/OK.png);background-color:black;}"));
    // The sentence and the button's word are in the pictures.
    setAccessibleName(tr("No more cameras"));
    setAccessibleDescription(tr("No more additional camera was found."));
    ui->btn_ok->setAccessibleName(tr("OK"));
    ui->btn_ok->setToolTip(tr("Close this notice"));
}

NO_Mord_Camera::~NO_Mord_Camera() { delete ui; }

void NO_Mord_Camera::mousePressEvent(QMouseEvent* event) { warning_dialog::Press(this, event, dragGrab, dragging); }

void NO_Mord_Camera::mouseReleaseEvent(QMouseEvent* event) { warning_dialog::Release(event, dragging); }

void NO_Mord_Camera::mouseMoveEvent(QMouseEvent* event) { warning_dialog::Move(this, event, dragGrab, dragging); }

void NO_Mord_Camera::on_btn_ok_clicked() { hide(); }
