// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Cameras of other makes, which the library drives through the controls
// their driver reports: the panel shows what the open one cannot do as
// disabled, gives it speeds as shares of its fastest, steps the moves of a
// camera that has only absolute controls, and keeps its presets on disk.
#include "window/AppState.h"
#include "window/CameraLog.h"
#include "window/CommandNotice.h"
#include "window/MainWindow.h"
#include "presets/PresetFile.h"
#include "ui_MainWindow.h"

#include <QGraphicsOpacityEffect>
#include <memory>
#include <QPushButton>
#include <QTimer>

namespace {

// The joystick's top speeds (7 steps of 3 and of 2), the keys' speeds.
constexpr int kTopPanSpeed = 21;
constexpr int kTopTiltSpeed = 14;
// Zoom and focus on a generic camera: half its fastest, steady enough to
// stop where wanted.
constexpr int kLensPercent = 50;

constexpr uint32_t kEverything = AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode | AbilityHome
                                 | AbilityCommands | AbilityPositions | AbilityPresets | AbilityFlipMirror;

int Percent(int speed, int top) { return std::clamp((speed * 100 + top / 2) / top, 0, 100); }

}  // namespace

// A control the open camera cannot serve: disabled, and dimmed, so that it
// does not look like one that works.
void MainWindow::serve(QWidget* control, bool served)
{
    control->setEnabled(served);
    if (served) {
        control->setGraphicsEffect(nullptr);
    } else if (!control->graphicsEffect()) {
        auto* dim = new QGraphicsOpacityEffect(control);
        dim->setOpacity(0.3);
        control->setGraphicsEffect(dim);
    }
}

void MainWindow::showAbilities()
{
    // With no camera, as with a supported one, every control is there.
    const uint32_t can = cameraBound && g_cameraCount > 0 ? cameraAbilities : kEverything;
    // A network camera keeps its presets and takes speeds as a supported
    // one does; only a generic camera needs the panel's help.
    genericOpen = cameraBound && !(can & (AbilityCommands | AbilityPresets));
    serve(ui->widget, can & AbilityPanTilt);
    serve(ui->slider_zoom, can & AbilityZoom);
    // Without a focus mode to switch, focus is always by hand.
    serve(ui->slider_focus, can & AbilityFocus);
    ui->slider_focus->setEnabled((can & AbilityFocus) && (afManual || !(can & AbilityFocusMode)));
    serve(ui->btn_af, can & AbilityFocusMode);
    serve(ui->btn_home, can & AbilityHome);
    for (QPushButton* command : {ui->btn_ai, ui->btn_push, ui->btn_mute})
        serve(command, can & AbilityCommands);
    for (QPushButton* picture : {ui->btn_flip, ui->btn_mirror})
        serve(picture, can & (AbilityCommands | AbilityFlipMirror));
    for (QPushButton* key : {ui->btn_num0, ui->btn_num1, ui->btn_num2, ui->btn_num3, ui->btn_num4, ui->btn_num5,
             ui->btn_num6, ui->btn_num7, ui->btn_num8, ui->btn_num9, ui->btn_set, ui->btn_clear})
        serve(key, can & (AbilityCommands | AbilityPositions | AbilityPresets));
}

// A camera that moves by steps is sent them from here, as long as a move
// lasts; the timer never runs otherwise. The steps go in their turn among
// the camera's requests; the timer stays here.
void MainWindow::followSteps()
{
    if (!cameraBound || !genericOpen) {
        stepTimer->stop();
        return;
    }
    auto nextInMs = std::make_shared<int>(-1);
    toCamera(
        [nextInMs](BaseDevice& device) {
            *nextInMs = device.StepMoves();
            return true;
        },
        [this, nextInMs](bool) {
            if (*nextInMs >= 0 && cameraBound)
                stepTimer->start(*nextInMs);
            else
                stepTimer->stop();
        });
}

int MainWindow::panSpeed(int speed) const { return genericOpen ? Percent(speed, kTopPanSpeed) : speed; }

int MainWindow::tiltSpeed(int speed) const { return genericOpen ? Percent(speed, kTopTiltSpeed) : speed; }

// The supported cameras choose their own.
int MainWindow::lensSpeed() const { return genericOpen ? kLensPercent : 1; }

// ---- presets: the camera's own, or for a generic camera the panel's file ----

namespace {

// True when the file did it; its trouble is told once, on the panel and on
// the program's output.
bool Done(const PresetFile& file, PresetFile::Result result, CommandNotice* notice)
{
    QString text;
    switch (result) {
    case PresetFile::Result::Done:
        return true;
    case PresetFile::Result::Missing:
        return false;
    case PresetFile::Result::Damaged:
        text = CommandNotice::tr(
            "The presets file %1 is damaged: %2. ptzdeck leaves it as it is and keeps no "
            "presets in it; mend it or move it away.")
                   .arg(file.path(), file.problem());
        break;
    case PresetFile::Result::Unwritable:
        text = CommandNotice::tr("Presets cannot be kept in %1: %2.").arg(file.path(), file.problem());
        break;
    }
    if (notice->tellOnce(file.path() + QLatin1Char('\n') + text, text))
        qWarning("ptzdeck: %s", qPrintable(text));
    return false;
}

}  // namespace

void MainWindow::presetStore(int preset, Answer answered)
{
    if (!genericOpen)
        return toCamera(Op("PresetSet", &BaseDevice::PresetSet, preset), std::move(answered));
    auto position = std::make_shared<CameraPosition>();
    toCamera([position](BaseDevice& device) { return device.GetPosition(*position); },
        [this, preset, position, identity = cameraIdentity, name = cameraName, answered](bool read) {
            PresetFile file;
            tell(answered, read && Done(file, file.store(identity, name, preset, *position), commandNotice));
        });
}

void MainWindow::presetClear(int preset, Answer answered)
{
    if (!genericOpen)
        return toCamera(Op("PresetClear", &BaseDevice::PresetClear, preset), std::move(answered));
    PresetFile file;
    tell(answered, Done(file, file.clear(cameraIdentity, preset), commandNotice));
}

void MainWindow::presetRecall(int preset, Answer answered)
{
    if (!genericOpen)
        return toCamera(Op("PresetCall", &BaseDevice::PresetCall, preset), std::move(answered));
    PresetFile file;
    CameraPosition position;
    if (!Done(file, file.recall(cameraIdentity, preset, position), commandNotice))
        return tell(answered, false);
    toCamera(
        [position](BaseDevice& device) { return Taken(&device, "MoveToPosition", device.MoveToPosition(position)); },
        std::move(answered));
    followSteps();  // a recall ends any stepped move
}
