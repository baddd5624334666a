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

// Sends one of a toggle's two commands; true when the camera took it.
bool sent(BaseDevice* device, bool (BaseDevice::*command)())
{
    return g_cameraOpen == 1 && (device->*command)();
}

} // namespace

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
// the same thing again. They are never read back from the camera.
void MainWindow::on_btn_af_clicked()
{
    const bool toManual = !afManual;
    if (!sent(device, toManual ? &BaseDevice::FocusManual : &BaseDevice::FocusAuto))
        return;
    afManual = toManual;
    ui->btn_af->setStyleSheet(keyFace(toManual ? "MF.png" : "AF.png"));
    ui->slider_focus->setEnabled(toManual);
}

void MainWindow::on_btn_ai_clicked()
{
    const bool toManual = !aiManual;
    if (!sent(device, toManual ? &BaseDevice::FramingManual : &BaseDevice::FramingAuto))
        return;
    aiManual = toManual;
    ui->btn_ai->setStyleSheet(keyFace(toManual ? "Manual.png" : "Framing.png"));
}

// One manual framing shot; btn_ai keeps its face and state.
void MainWindow::on_btn_push_clicked()
{
    if (g_cameraOpen == 1)
        device->FramingManual();
}

void MainWindow::on_btn_mute_clicked()
{
    const bool mute = unmuted;
    if (!sent(device, mute ? &BaseDevice::MuteOn : &BaseDevice::MuteOff))
        return;
    unmuted = !mute;
    ui->btn_mute->setStyleSheet(muteFace(mute ? "mute.png" : "no_mute.png"));
}

void MainWindow::on_btn_flip_clicked()
{
    if (sent(device, unflipped ? &BaseDevice::FlipOn : &BaseDevice::FlipOff))
        unflipped = !unflipped;
}

void MainWindow::on_btn_mirror_clicked()
{
    if (sent(device, unmirrored ? &BaseDevice::MirrorOn : &BaseDevice::MirrorOff))
        unmirrored = !unmirrored;
}
