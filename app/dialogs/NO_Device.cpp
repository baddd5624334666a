// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "dialogs/NO_Device.h"

#include <QCoreApplication>

#include "window/AppState.h"
#include "dialogs/WarningDialog.h"
#include "ui_NO_Device.h"

NO_Device::NO_Device(QWidget* parent) : QDialog(parent)
{
    ui = new NO_DeviceForm;
    ui->setupUi(this);
    warning_dialog::Place(this, g_noDeviceAnchor, g_noDeviceOnTop);
    ui->btn_quit->setStyleSheet(QStringLiteral("QPushButton{image: url(:/img/Quit.png);background-color:black;}"));
    ui->btn_ok->setStyleSheet(QStringLiteral("QPushButton{image: url(:/img/OK.png);background-color:black;}"));
    // The sentence and the buttons' words are in the pictures.
    setAccessibleName(tr("No camera"));
    setAccessibleDescription(tr("No correct camera was found."));
    ui->btn_quit->setAccessibleName(tr("Quit"));
    ui->btn_quit->setToolTip(tr("Quit ptzdeck"));
    ui->btn_ok->setAccessibleName(tr("OK"));
    ui->btn_ok->setToolTip(tr("Close this notice; the panel opens a camera when one is plugged in"));
}

NO_Device::~NO_Device() { delete ui; }

void NO_Device::mousePressEvent(QMouseEvent* event) { warning_dialog::Press(this, event, dragGrab, dragging); }

void NO_Device::mouseReleaseEvent(QMouseEvent* event) { warning_dialog::Release(event, dragging); }

void NO_Device::mouseMoveEvent(QMouseEvent* event) { warning_dialog::Move(this, event, dragGrab, dragging); }

void NO_Device::on_btn_quit_clicked() { QCoreApplication::exit(0); }

void NO_Device::on_btn_ok_clicked() { hide(); }
