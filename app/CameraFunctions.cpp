// The keypad (store, clear and recall presets) and the camera's function
// buttons: focus mode, framing, push, mute, flip and mirror.
#include "AppState.h"
#include "MainWindow.h"
#include "ui_MainWindow.h"

#include <QPushButton>
#include <QString>

namespace {

QString keyFace(const char* image)
{
    return QStringLiteral("QPushButton{image: url(:/img/%1);background-color:black;}")
        .arg(QLatin1String(image));
}

QString muteFace(const char* image)
{
    return QStringLiteral("QPushButton{border-image: url(:/img/%1);background-attachment;border:none;}")
        .arg(QLatin1String(image));
}

// A digit stores or clears when the keypad is in that mode, and recalls
// otherwise. A mode is used up only by a digit that reached a camera, so a
// store begun before the camera appeared still stores afterwards.
void sendPresetDigit(BaseDevice* device, int& setMode, int& clearMode, int digit)
{
    if (g_cameraOpen != 1)
        return;
    if (setMode == 1) {
        device->PresetSet(digit);
        setMode = 0;
    } else if (clearMode == 1) {
        device->PresetClear(digit);
        clearMode = 0;
    } else {
        device->PresetCall(digit);
    }
}

} // namespace

void MainWindow::on_btn_num0_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 0); }
void MainWindow::on_btn_num1_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 1); }
void MainWindow::on_btn_num2_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 2); }
void MainWindow::on_btn_num3_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 3); }
void MainWindow::on_btn_num4_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 4); }
void MainWindow::on_btn_num5_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 5); }
void MainWindow::on_btn_num6_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 6); }
void MainWindow::on_btn_num7_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 7); }
void MainWindow::on_btn_num8_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 8); }
void MainWindow::on_btn_num9_clicked() { sendPresetDigit(device, presetSetMode, presetClearMode, 9); }

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

// The toggles change face and state first, with or without a camera, and
// then tell the camera if one is open. Their state is never read back from
// the camera.
void MainWindow::on_btn_af_clicked()
{
    if (afManual) {
        ui->btn_af->setStyleSheet(keyFace("AF.png"));
        afManual = false;
        ui->slider_focus->setEnabled(false);
        if (g_cameraOpen == 1)
            device->FocusAuto();
    } else {
        ui->btn_af->setStyleSheet(keyFace("MF.png"));
        afManual = true;
        ui->slider_focus->setEnabled(true);
        if (g_cameraOpen == 1)
            device->FocusManual();
    }
}

void MainWindow::on_btn_ai_clicked()
{
    if (aiManual) {
        ui->btn_ai->setStyleSheet(keyFace("Framing.png"));
        aiManual = false;
        if (g_cameraOpen == 1)
            device->FramingAuto();
    } else {
        ui->btn_ai->setStyleSheet(keyFace("Manual.png"));
        aiManual = true;
        if (g_cameraOpen == 1)
            device->FramingManual();
    }
}

// One manual framing shot; btn_ai keeps its face and state.
void MainWindow::on_btn_push_clicked()
{
    if (g_cameraOpen == 1)
        device->FramingManual();
}

// A discovery pass may repaint this face without touching unmuted, so the
// face alone does not tell which command the next click sends.
void MainWindow::on_btn_mute_clicked()
{
    if (unmuted) {
        ui->btn_mute->setStyleSheet(muteFace("mute.png"));
        unmuted = false;
        if (g_cameraOpen == 1)
            device->MuteOn();
    } else {
        ui->btn_mute->setStyleSheet(muteFace("no_mute.png"));
        unmuted = true;
        if (g_cameraOpen == 1)
            device->MuteOff();
    }
}

void MainWindow::on_btn_flip_clicked()
{
    unflipped = !unflipped;
    if (g_cameraOpen == 1) {
        if (unflipped)
            device->FlipOff();
        else
            device->FlipOn();
    }
}

void MainWindow::on_btn_mirror_clicked()
{
    unmirrored = !unmirrored;
    if (g_cameraOpen == 1) {
        if (unmirrored)
            device->MirrorOff();
        else
            device->MirrorOn();
    }
}
