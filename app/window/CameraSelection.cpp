// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Choosing one of up to five cameras, reacting to devices that come and go,
// a network camera lost and found again, and the two warning dialogs.
#include "window/MainWindow.h"

#include <QPushButton>
#include <algorithm>
#include <QScopedValueRollback>
#include <QSlider>
#include <QTimer>

#include "window/AppState.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "devices/DeviceChangeMessage.h"
#include "ui_MainWindow.h"
#include "ui_SettingsPane.h"

namespace {

// How long a lost network camera is left before it is asked again: soon at
// first, then less often, as one that is unplugged may stay away for long.
constexpr int kFirstProbeMs = 1000;
constexpr int kLastProbeMs = 5000;

QString CameraTabFace(int number, bool chosen)
{
    return QStringLiteral("QPushButton{image: url(:/img/cam%1_%2.png);background-color:transparent;}")
        .arg(number)
        .arg(chosen ? QLatin1String("green") : QLatin1String("black"));
}

}  // namespace

void MainWindow::paintCameraTabs(int chosen)
{
    QPushButton* const tabs[] = {ui->btn_cam1, ui->btn_cam2, ui->btn_cam3, ui->btn_cam4, ui->btn_cam5};
    // A new style sheet restyles the button even when it is the same text:
    // only the tabs whose face changes get one.
    for (int number = 1; number <= 5; ++number) {
        const QString face = CameraTabFace(number, number == chosen && !cameraLost);
        if (tabs[number - 1]->styleSheet() != face)
            tabs[number - 1]->setStyleSheet(face);
    }
    chosenTab = chosen;
    camerasMayHaveChanged();
}

void MainWindow::cameraAnswered(RequestFault fault)
{
    // Only a network camera (presets of its own, no USB commands) is lost:
    // a USB camera that does not answer is told about by the notice alone.
    const bool network = (cameraAbilities & AbilityPresets) && !(cameraAbilities & AbilityCommands);
    const bool lost = fault == RequestFault::NoAnswer;
    if (!cameraBound || !network || lost == cameraLost)
        return;
    cameraLost = lost;
    probeDelayMs = kFirstProbeMs;
    if (lost)
        probeTimer->start(probeDelayMs);
    else
        probeTimer->stop();
    paintCameraTabs(chosenTab);
}

// A zoom inquiry: an answer the camera gives at once, which moves nothing.
void MainWindow::probeLostCamera()
{
    if (!cameraLost)
        return;
    probeDelayMs = std::min(probeDelayMs * 2, kLastProbeMs);
    toCamera(
        [](BaseDevice& device) {
            int zoom = 0;
            return device.GetZoom(&zoom);
        },
        [this](bool) {
            if (cameraLost)
                probeTimer->start(probeDelayMs);
        });
}

void MainWindow::camerasMayHaveChanged()
{
    if (cameraListener)
        cameraListener();
}

bool MainWindow::cameraReady() const { return g_cameraOpen == 1 && cameraBound; }

QStringList MainWindow::cameraNames() const
{
    // `devices` keeps the records of an earlier pass when enumeration fails;
    // the count says how many of them are there now.
    QStringList names;
    for (int i = 0; i < g_cameraCount && i < static_cast<int>(devices.size()); ++i)
        names << QString::fromStdString(devices[static_cast<size_t>(i)].friendlyName);
    return names;
}

void MainWindow::selectCamera(int number, Answer opened)
{
    if (number == 1) {
        if (g_cameraCount == 0) {
            paintCameraTabs(0);
            return tell(opened, false);
        }
        openCamera(1, std::move(opened));
    } else if (number >= 2 && number <= 5) {
        chooseCamera(number, std::move(opened));
    } else {
        tell(opened, false);
    }
}

void MainWindow::on_btn_cam1_clicked() { selectCamera(1); }

void MainWindow::chooseCamera(int number, Answer opened)
{
    if (g_cameraCount < number) {
        showNoCameraDialog();
        return tell(opened, false);
    }
    // A pane not built yet shows the cache whenever it is.
    if (number == 2 && pane) {
        const QScopedValueRollback<bool> filling(fillingPane, true);
        pane->slider_wb->setValue(g_pictureSettings.whiteBalance.current);
    }
    openCamera(number, std::move(opened));
}

void MainWindow::on_btn_cam2_clicked() { chooseCamera(2); }
void MainWindow::on_btn_cam3_clicked() { chooseCamera(3); }
void MainWindow::on_btn_cam4_clicked() { chooseCamera(4); }
void MainWindow::on_btn_cam5_clicked() { chooseCamera(5); }

bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    using namespace ptzdeck::platform;
    if (qstrcmp(eventType, kWindowsMessageEventType) != 0)
        return QMainWindow::nativeEvent(eventType, message, result);
    const auto* msg = static_cast<const MSG*>(message);
    if (!msg || msg->message != WM_DEVICECHANGE)
        return false;
    if (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE) {
        // Restarting a running timer folds a burst of changes into one pass,
        // 500 ms after the last of them.
        discoveryTimer->start(500);
        return true;
    }
    return false;
}

void MainWindow::Warn_NoDev()
{
    g_noDeviceAnchor = mapToGlobal(QPoint(0, 0));
    // Only the newest dialog is ever hidden again (by a pass that finds
    // cameras, or by warn_exit), so an earlier one must not outlive it.
    if (noDeviceDialog) {
        noDeviceDialog->hide();
        noDeviceDialog->deleteLater();
    }
    noDeviceDialog = new NO_Device(nullptr);
    noDeviceDialog->setModal(false);
    noDeviceDialog->show();
}

void MainWindow::showNoCameraDialog()
{
    // One warning says it: another click on an empty tab brings the one on
    // screen forward instead of stacking a copy on it.
    if (noCameraDialog && noCameraDialog->isVisible()) {
        noCameraDialog->raise();
        return;
    }
    if (noCameraDialog)
        noCameraDialog->deleteLater();  // dismissed: the next is placed afresh
    g_noCameraAnchor = mapToGlobal(QPoint(0, 0));
    noCameraDialog = new NO_Mord_Camera(nullptr);
    noCameraDialog->setModal(false);
    noCameraDialog->show();
}

void MainWindow::cam2_warn() { showNoCameraDialog(); }
void MainWindow::cam3_warn() { showNoCameraDialog(); }
void MainWindow::cam4_warn() { showNoCameraDialog(); }
void MainWindow::cam5_warn() { showNoCameraDialog(); }

void MainWindow::warn_exit()
{
    if (!noDeviceDialog)
        return;
    noDeviceDialog->setModal(false);
    noDeviceDialog->hide();
}
