// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The keypad (store, clear and recall presets) and the camera's function
// buttons: focus mode, framing, push, mute, flip and mirror.
#include "window/AppState.h"
#include "window/CameraLog.h"
#include "window/CommandNotice.h"
#include "window/MainWindow.h"
#include "ui_MainWindow.h"

#include <QPushButton>
#include <QString>

namespace {

QString muteFace(const char* image)
{
    return QStringLiteral("QPushButton{border-image: url(:/img/%1);background-attachment;border:none;}")
        .arg(QLatin1String(image));
}

// Sends one of a toggle's two commands, named `name` in the log; true when
// the camera took it.
bool sent(BaseDevice* device, bool (BaseDevice::*command)(), const char* name)
{
    return g_cameraOpen == 1 && Taken(device, name, (device->*command)());
}

}  // namespace

// A digit stores or clears when the keypad is in that mode, and recalls
// otherwise. A mode is used up only by a digit the camera took, so a store
// begun before the camera appeared still stores afterwards.
void MainWindow::presetDigit(int digit)
{
    if (g_cameraOpen != 1)
        return;
    if (presetSetMode == 1) {
        if (presetStore(digit))
            presetSetMode = 0;
    } else if (presetClearMode == 1) {
        if (presetClear(digit))
            presetClearMode = 0;
    } else {
        presetRecall(digit);
    }
}

void MainWindow::on_btn_num0_clicked() { presetDigit(0); }
void MainWindow::on_btn_num1_clicked() { presetDigit(1); }
void MainWindow::on_btn_num2_clicked() { presetDigit(2); }
void MainWindow::on_btn_num3_clicked() { presetDigit(3); }
void MainWindow::on_btn_num4_clicked() { presetDigit(4); }
void MainWindow::on_btn_num5_clicked() { presetDigit(5); }
void MainWindow::on_btn_num6_clicked() { presetDigit(6); }
void MainWindow::on_btn_num7_clicked() { presetDigit(7); }
void MainWindow::on_btn_num8_clicked() { presetDigit(8); }
void MainWindow::on_btn_num9_clicked() { presetDigit(9); }

// Set or Clear and then a digit, by the keypad's roads, without its mode:
// the window's keypad keeps whatever mode a hand left it in.
bool MainWindow::recallPreset(int preset) { return g_cameraOpen == 1 && presetRecall(preset); }
bool MainWindow::storePreset(int preset) { return g_cameraOpen == 1 && presetStore(preset); }
bool MainWindow::clearPreset(int preset) { return g_cameraOpen == 1 && presetClear(preset); }

// The two mode buttons exclude each other; neither sends anything.
void MainWindow::on_btn_set_clicked()
{
    presetSetMode = 1;
    presetClearMode = 0;
}

void MainWindow::on_btn_clear_clicked()
{
    presetSetMode = 0;
    presetClearMode = 1;
}

// A toggle's face and state say what the camera was last told: they turn
// only when the camera took the command, so a click that reached no camera
// (none open, or one that failed) leaves them, and the next click asks for
// the same thing again. They are never read back from the camera. A click
// asks for the other state; a state asked for again is sent again, for a
// camera that was changed behind the panel's back.
bool MainWindow::setAutoFocus(bool on)
{
    if (!sent(device, on ? &BaseDevice::FocusAuto : &BaseDevice::FocusManual, on ? "FocusAuto" : "FocusManual"))
        return false;
    showAutoFocus(on);
    return true;
}

void MainWindow::showAutoFocus(bool on)
{
    afManual = !on;
    ui->btn_af->setStyleSheet(KeyFace(on ? "AF.png" : "MF.png"));
    ui->slider_focus->setEnabled(!on);
}

void MainWindow::on_btn_af_clicked() { setAutoFocus(afManual); }

bool MainWindow::setAutoFraming(bool on)
{
    if (!sent(device, on ? &BaseDevice::FramingAuto : &BaseDevice::FramingManual, on ? "FramingAuto" : "FramingManual"))
        return false;
    aiManual = !on;
    ui->btn_ai->setStyleSheet(KeyFace(on ? "Framing.png" : "Manual.png"));
    return true;
}

void MainWindow::on_btn_ai_clicked() { setAutoFraming(aiManual); }

// One manual framing shot; btn_ai keeps its face and state.
void MainWindow::on_btn_push_clicked()
{
    if (g_cameraOpen == 1)
        Taken(device, "FramingManual", device->FramingManual());
}

bool MainWindow::setMuted(bool on)
{
    if (!sent(device, on ? &BaseDevice::MuteOn : &BaseDevice::MuteOff, on ? "MuteOn" : "MuteOff"))
        return false;
    unmuted = !on;
    ui->btn_mute->setStyleSheet(muteFace(on ? "mute.png" : "no_mute.png"));
    return true;
}

void MainWindow::on_btn_mute_clicked() { setMuted(unmuted); }

bool MainWindow::setFlipped(bool on)
{
    if (!sent(device, on ? &BaseDevice::FlipOn : &BaseDevice::FlipOff, on ? "FlipOn" : "FlipOff"))
        return false;
    unflipped = !on;
    return true;
}

void MainWindow::on_btn_flip_clicked() { setFlipped(unflipped); }

bool MainWindow::setMirrored(bool on)
{
    if (!sent(device, on ? &BaseDevice::MirrorOn : &BaseDevice::MirrorOff, on ? "MirrorOn" : "MirrorOff"))
        return false;
    unmirrored = !on;
    return true;
}

void MainWindow::on_btn_mirror_clicked() { setMirrored(unmirrored); }

QString MainWindow::commandFault()
{
    commandNotice->check();
    return CommandNotice::textFor(device->LastRequestFault());
}
