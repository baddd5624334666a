// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The keypad (store, clear and recall presets) and the camera's function
// buttons: focus mode, framing, push, mute, flip and mirror.
#include "window/AppState.h"
#include "devices/DeviceWorker.h"
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

// One of a toggle's two commands, named `name` in the log.
std::function<bool(BaseDevice&)> Command(bool (BaseDevice::*command)(), const char* name)
{
    return [command, name](BaseDevice& device) { return Taken(&device, name, (device.*command)()); };
}

}  // namespace

// A digit stores or clears when the keypad is in that mode, and recalls
// otherwise. A mode is used up only by a digit the camera took, so a store
// begun before the camera appeared still stores afterwards.
void MainWindow::presetDigit(int digit)
{
    if (g_cameraOpen != 1)
        return;
    // The mode is left at once, so that the digits that follow recall, and
    // taken up again if the camera did not take this one and no mode was
    // chosen meanwhile.
    const auto retake = [this](int& mode) {
        return [this, &mode](bool taken) {
            if (!taken && presetSetMode == 0 && presetClearMode == 0)
                mode = 1;
        };
    };
    if (presetSetMode == 1) {
        presetSetMode = 0;
        presetStore(digit, retake(presetSetMode));
    } else if (presetClearMode == 1) {
        presetClearMode = 0;
        presetClear(digit, retake(presetClearMode));
    } else {
        presetRecall(digit, {});
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
void MainWindow::recallPreset(int preset, Answer answered)
{
    if (g_cameraOpen == 1)
        presetRecall(preset, std::move(answered));
    else
        tell(answered, false);
}

void MainWindow::storePreset(int preset, Answer answered)
{
    if (g_cameraOpen == 1)
        presetStore(preset, std::move(answered));
    else
        tell(answered, false);
}

void MainWindow::clearPreset(int preset, Answer answered)
{
    if (g_cameraOpen == 1)
        presetClear(preset, std::move(answered));
    else
        tell(answered, false);
}

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
void MainWindow::setAutoFocus(bool on, Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    toCamera(Command(on ? &BaseDevice::FocusAuto : &BaseDevice::FocusManual, on ? "FocusAuto" : "FocusManual"),
        [this, on, answered](bool taken) {
            if (taken)
                showAutoFocus(on);
            tell(answered, taken);
        });
}

void MainWindow::showAutoFocus(bool on)
{
    afManual = !on;
    ui->btn_af->setStyleSheet(KeyFace(on ? "AF.png" : "MF.png"));
    ui->slider_focus->setEnabled(!on);
}

void MainWindow::on_btn_af_clicked() { setAutoFocus(afManual); }

void MainWindow::setAutoFraming(bool on, Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    toCamera(Command(on ? &BaseDevice::FramingAuto : &BaseDevice::FramingManual, on ? "FramingAuto" : "FramingManual"),
        [this, on, answered](bool taken) {
            if (taken) {
                aiManual = !on;
                ui->btn_ai->setStyleSheet(KeyFace(on ? "Framing.png" : "Manual.png"));
            }
            tell(answered, taken);
        });
}

void MainWindow::on_btn_ai_clicked() { setAutoFraming(aiManual); }

// One manual framing shot; btn_ai keeps its face and state.
void MainWindow::on_btn_push_clicked()
{
    if (g_cameraOpen == 1)
        toCamera(Command(&BaseDevice::FramingManual, "FramingManual"));
}

void MainWindow::setMuted(bool on, Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    toCamera(Command(on ? &BaseDevice::MuteOn : &BaseDevice::MuteOff, on ? "MuteOn" : "MuteOff"),
        [this, on, answered](bool taken) {
            if (taken) {
                unmuted = !on;
                ui->btn_mute->setStyleSheet(muteFace(on ? "mute.png" : "no_mute.png"));
            }
            tell(answered, taken);
        });
}

void MainWindow::on_btn_mute_clicked() { setMuted(unmuted); }

void MainWindow::setFlipped(bool on, Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    toCamera(Command(on ? &BaseDevice::FlipOn : &BaseDevice::FlipOff, on ? "FlipOn" : "FlipOff"),
        [this, on, answered](bool taken) {
            unflipped = taken ? !on : unflipped;
            tell(answered, taken);
        });
}

void MainWindow::on_btn_flip_clicked() { setFlipped(unflipped); }

void MainWindow::setMirrored(bool on, Answer answered)
{
    if (g_cameraOpen != 1)
        return tell(answered, false);
    toCamera(Command(on ? &BaseDevice::MirrorOn : &BaseDevice::MirrorOff, on ? "MirrorOn" : "MirrorOff"),
        [this, on, answered](bool taken) {
            unmirrored = taken ? !on : unmirrored;
            tell(answered, taken);
        });
}

void MainWindow::on_btn_mirror_clicked() { setMirrored(unmirrored); }

QString MainWindow::commandFault() const { return CommandNotice::textFor(worker->lastFault()); }
