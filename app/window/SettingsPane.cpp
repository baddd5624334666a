// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The picture-settings pane: (re)opening a camera and loading the pane from
// it, the seven sliders, the anti-flicker combo, Default, OK and the settings
// button.
#include "window/MainWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSlider>
#include <array>

#include "window/AppState.h"
#include "window/CameraLog.h"
#include "window/CommandNotice.h"
#include "window/SettingsPaneForm.h"
#include "desktop/WindowShape.h"
#include "logging/LogCategories.h"
#include "ui_MainWindow.h"
#include "ui_SettingsPane.h"

namespace {

// One slider row of the pane: its cache entry, the camera record it is
// loaded from, its widgets and the operation that sends it.
struct PictureRow {
    PictureSetting& cache;
    PropertyInfo BaseDevice::*record;
    QSlider* slider;
    QLineEdit* field;
    bool (BaseDevice::*send)(int);
    const char* sendName;  // for the log
};

// In the pane's order, top to bottom. Until the pane is built, the rows
// have their cache and camera record but no widgets.
std::array<PictureRow, 7> PictureRows(SettingsPaneForm* ui)
{
    static SettingsPaneForm noWidgets;  // zero-initialised: every widget null
    if (!ui)
        ui = &noWidgets;
    PictureSettings& s = g_pictureSettings;
    // A table, laid out by hand.
    // clang-format off
    return {{
        {s.backlight, &BaseDevice::backlightCompensation, ui->slider_blc, ui->v_blc,
         &BaseDevice::SetBacklight, "SetBacklight"},
        {s.gamma, &BaseDevice::gamma, ui->slider_gamma, ui->v_gamma, &BaseDevice::SetGamma, "SetGamma"},
        {s.contrast, &BaseDevice::contrast, ui->slider_contrast, ui->v_contrast,
         &BaseDevice::SetContrast, "SetContrast"},
        {s.saturation, &BaseDevice::saturation, ui->slider_saturation, ui->v_saturation,
         &BaseDevice::SetSaturation, "SetSaturation"},
        {s.brightness, &BaseDevice::brightness, ui->slider_brightness, ui->v_brightness,
         &BaseDevice::SetBrightness, "SetBrightness"},
        {s.sharpness, &BaseDevice::sharpness, ui->slider_sharpness, ui->v_sharpness,
         &BaseDevice::SetSharpness, "SetSharpness"},
        {s.whiteBalance, &BaseDevice::whiteBalance, ui->slider_wb, ui->v_wb,
         &BaseDevice::SetWhiteBalance, "SetWhiteBalance"},
    }};
    // clang-format on
}

enum Row { Backlight, Gamma, Contrast, Saturation, Brightness, Sharpness, WhiteBalance };

constexpr int kPowerLineItems = 3;  // OFF, 50HZ, 60HZ: the item is the value

}  // namespace

bool MainWindow::pictureReachesCamera() const { return g_cameraOpen == 1 && cameraBound; }

void MainWindow::Setting_Press(int flag)
{
    // Whatever the panel set moving stops before its camera is let go.
    stopMotion();
    device->Close();
    cameraBound = false;
    BaseDevice::Initial();
    const QByteArray indexText = QString::number(flag, 10).toLatin1();
    // The tabs hold the supported cameras, then any other that can move.
    const bool listed = flag >= 0 && flag < static_cast<int>(devices.size());
    if (!device->OpenAny(indexText.constData(), 1)) {
        qCDebug(lcCameras, "camera %d (%s) did not open", flag + 1,
            listed ? devices[flag].devicePath.c_str() : "not listed");
        showAbilities();
        return;  // the pane keeps the previous camera's values
    }
    cameraBound = true;
    LogOpened(device, flag + 1, listed ? &devices[flag] : nullptr);
    showAbilities();
    commandNotice->cameraOpened(
        listed ? QString::fromStdString(devices[flag].devicePath) : QString::fromUtf8(device->GetFriendlyName()));
    device->LoadPropertyInfo();

    for (const PictureRow& row : PictureRows(pane)) {
        const PropertyInfo& info = device->*row.record;
        row.cache.current = info.current;
        row.cache.min = info.min;
        row.cache.max = info.max;
        row.cache.defaultValue = info.defaultValue;
        row.cache.pageStep = 0;
    }
    PowerLineSetting& powerLine = g_pictureSettings.powerLine;
    powerLine.current = device->powerLineFrequency.current;
    powerLine.min = device->powerLineFrequency.min;
    powerLine.max = device->powerLineFrequency.max;
    powerLine.defaultValue = device->powerLineFrequency.defaultValue;

    paneLoaded = true;
    if (pane)
        fillPane();
    showPowerLine(powerLine.current);
}

// The sliders and fields from the cache.
void MainWindow::fillPane()
{
    // The range goes first, or a value beyond the slider's old range would
    // be clipped to it.
    const auto rows = PictureRows(pane);
    const QScopedValueRollback<bool> filling(fillingPane, true);
    for (const PictureRow& row : rows) {
        row.slider->setMinimum(row.cache.min);
        row.slider->setMaximum(row.cache.max);
        row.slider->setPageStep(0);
        row.slider->setValue(row.cache.current);
    }
    for (const PictureRow& row : rows)
        row.field->setText(QString::number(row.cache.current, 10));
}

// The combo's setCurrentIndex, whether or not the pane is built: a change of
// item sends the item's value back to the camera; a value beyond the three
// items leaves the combo empty and sends nothing.
void MainWindow::showPowerLine(int index)
{
    if (pane) {
        pane->cb_fliker->setCurrentIndex(index);
        return;
    }
    const int shown = index >= 0 && index < kPowerLineItems ? index : -1;
    if (shown == powerLineShown)
        return;
    powerLineShown = shown;
    if (shown >= 0 && pictureReachesCamera())
        Taken(device, "SetPowerLineFrequency", device->SetPowerLineFrequency(shown));
}

void MainWindow::enablePane(bool enabled)
{
    paneEnabled = enabled;
    if (paneWidget)
        paneWidget->setEnabled(enabled);
}

QWidget* MainWindow::settingsPane()
{
    if (paneWidget)
        return paneWidget;
    pane = new SettingsPaneForm;
    QWidget* panel = paneWidget = BuildSettingsPane(pane, ui->centralwidget, ui->Win_Left, this);
    panel->hide();
    panel->setEnabled(paneEnabled);
    panel->setFocusPolicy(Qt::NoFocus);
    for (QWidget* control : panel->findChildren<QWidget*>())
        control->setFocusPolicy(Qt::NoFocus);
    describePane();
    pane->btn_default->setStyleSheet(KeyFace("Default.png"));
    pane->btn_ok->setStyleSheet(KeyFace("OK.png"));
    {
        // Bound already: what it shows is not the user's change.
        const QSignalBlocker quiet(pane->cb_fliker);
        pane->cb_fliker->setCurrentIndex(powerLineShown);
    }
    if (paneLoaded)
        fillPane();
    wirePictureSliders();
    windowShape->follow(panel);  // its shape joins the window's
    return panel;
}

namespace {

void Drag(const PictureRow& row, int position, BaseDevice* device, bool reachesCamera)
{
    row.cache.current = position;
    row.field->setText(QString::number(position, 10));
    if (reachesCamera)
        Taken(device, row.sendName, (device->*row.send)(position));
}

}  // namespace

// A drag reports through sliderMoved (the slots below). Every other change
// of a value by the user (the wheel, keys, a click on the groove) comes only
// as a value change: it reaches the field and the camera here, once.
void MainWindow::wirePictureSliders()
{
    const auto rows = PictureRows(pane);
    for (size_t i = 0; i < rows.size(); ++i) {
        connect(rows[i].slider, &QSlider::valueChanged, this, [this, i](int value) {
            const PictureRow row = PictureRows(pane)[i];
            if (fillingPane || row.slider->isSliderDown())
                return;
            Drag(row, value, device, pictureReachesCamera());
        });
    }
}

void MainWindow::on_slider_wb_sliderMoved(int position)
{
    Drag(PictureRows(pane)[WhiteBalance], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_blc_sliderMoved(int position)
{
    Drag(PictureRows(pane)[Backlight], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_gamma_sliderMoved(int position)
{
    Drag(PictureRows(pane)[Gamma], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_contrast_sliderMoved(int position)
{
    Drag(PictureRows(pane)[Contrast], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_saturation_sliderMoved(int position)
{
    Drag(PictureRows(pane)[Saturation], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_brightness_sliderMoved(int position)
{
    Drag(PictureRows(pane)[Brightness], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_sharpness_sliderMoved(int position)
{
    Drag(PictureRows(pane)[Sharpness], position, device, pictureReachesCamera());
}

void MainWindow::on_cb_fliker_currentTextChanged(QString)
{
    const QString text = pane->cb_fliker->currentText();
    int value;
    if (text == QLatin1String("50HZ"))
        value = 1;
    else if (text == QLatin1String("60HZ"))
        value = 2;
    else if (text == QLatin1String("OFF"))
        value = 0;
    else
        return;
    if (pictureReachesCamera())
        Taken(device, "SetPowerLineFrequency", device->SetPowerLineFrequency(value));
}

void MainWindow::on_btn_default_clicked()
{
    const auto rows = PictureRows(pane);
    {
        const QScopedValueRollback<bool> filling(fillingPane, true);
        for (const PictureRow& row : rows)
            row.slider->setValue(row.cache.defaultValue);
    }
    pane->cb_fliker->setCurrentIndex(g_pictureSettings.powerLine.defaultValue);
    for (const PictureRow& row : rows)
        row.field->setText(QString::number(row.cache.defaultValue, 10));
    if (!pictureReachesCamera())
        return;
    const PictureSettings& s = g_pictureSettings;
    Taken(device, "SetWhiteBalance", device->SetWhiteBalance(s.whiteBalance.defaultValue));
    Taken(device, "SetBacklight", device->SetBacklight(s.backlight.defaultValue));
    Taken(device, "SetGamma", device->SetGamma(s.gamma.defaultValue));
    Taken(device, "SetContrast", device->SetContrast(s.contrast.defaultValue));
    Taken(device, "SetSaturation", device->SetSaturation(s.saturation.defaultValue));
    Taken(device, "SetBrightness", device->SetBrightness(s.brightness.defaultValue));
    Taken(device, "SetSharpness", device->SetSharpness(s.sharpness.defaultValue));
    Taken(device, "SetPowerLineFrequency", device->SetPowerLineFrequency(s.powerLine.defaultValue));
    Taken(device, "SetWhiteBalanceMode", device->SetWhiteBalanceMode(0));  // last: white balance back to automatic
}

void MainWindow::on_btn_ok_clicked()
{
    settingsPane()->setVisible(false);
    g_settingsShown = 0;
}

void MainWindow::on_btn_setting_clicked()
{
    if (g_cameraOpen == 0) {
        enablePane(false);
        // Its own OK goes dead with it: this button must still close it.
        if (g_settingsShown == 1) {
            settingsPane()->setVisible(false);
            g_settingsShown = 0;
        }
    } else if (g_settingsShown == 0) {
        settingsPane()->setVisible(true);
        g_settingsShown = 1;
    } else if (g_settingsShown == 1) {
        settingsPane()->setVisible(false);
        g_settingsShown = 0;
    }
}
