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
#include <QTimer>
#include <array>
#include <memory>
#include <mutex>

#include "window/AppState.h"
#include "window/CameraLog.h"
#include "window/CommandNotice.h"
#include "window/SettingsPaneForm.h"
#include "devices/LibraryWalk.h"
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

// What the camera's thread found on opening a camera.
struct MainWindow::Opened {
    bool ok = false;
    uint32_t abilities = 0;
    QString identity;
    QString name;
    std::array<PropertyInfo, 7> rows;  // in PictureRows' order
    PropertyInfo powerLine;
};

void MainWindow::Setting_Press(int flag) { openCamera(flag + 1); }

void MainWindow::openCamera(int tab, Answer answered)
{
    const int flag = tab - 1;
    // Whatever the panel set moving stops before its camera is let go.
    stopMotion();
    cameraBound = false;
    cameraLost = false;
    probeTimer->stop();
    // The tabs hold the supported cameras, then any other that can move.
    const bool listed = flag >= 0 && flag < static_cast<int>(devices.size());
    const DeviceInfo record = listed ? devices[static_cast<size_t>(flag)] : DeviceInfo();
    auto opened = std::make_shared<Opened>();
    toCamera(
        [flag, listed, record, opened](BaseDevice& device) {
            device.Close();
            {
                std::lock_guard<std::mutex> walk(ptzdeck::LibraryWalk());
                opened->ok = device.OpenAny(QByteArray::number(flag).constData(), 1);
            }
            if (!opened->ok) {
                qCDebug(lcCameras, "camera %d (%s) did not open", flag + 1,
                    listed ? record.devicePath.c_str() : "not listed");
                return false;
            }
            LogOpened(&device, flag + 1, listed ? &record : nullptr);
            opened->abilities = device.Abilities();
            opened->identity = QString::fromStdString(device.CameraIdentity());
            opened->name = QString::fromUtf8(device.GetFriendlyName());
            device.LoadPropertyInfo();
            const auto rows = PictureRows(nullptr);
            for (size_t i = 0; i < rows.size(); ++i)
                opened->rows[i] = device.*rows[i].record;
            opened->powerLine = device.powerLineFrequency;
            return true;
        },
        [this, tab, listed, record, opened, answered, wasOpen = g_cameraOpen](bool) {
            if (opened->ok)
                commandNotice->cameraOpened(listed ? QString::fromStdString(record.devicePath) : opened->name);
            // The pane sends its anti-flicker item back only to a camera
            // chosen while one was open already, not to the one a discovery
            // pass opens, as when the camera opened at once.
            const QScopedValueRollback<int> asAtTheClick(g_cameraOpen, wasOpen);
            cameraOpened(tab, *opened);
            tell(answered, opened->ok);
        });
}

void MainWindow::cameraOpened(int tab, const Opened& opened)
{
    cameraBound = opened.ok;
    cameraAbilities = opened.abilities;
    cameraIdentity = opened.identity;
    cameraName = opened.name;
    showAbilities();
    // A tab lights only for a camera that opened; the one open before has
    // been closed either way.
    paintCameraTabs(opened.ok ? tab : 0);
    if (!opened.ok)
        return;  // the pane keeps the previous camera's values
    const auto rows = PictureRows(pane);
    for (size_t i = 0; i < rows.size(); ++i) {
        const PropertyInfo& info = opened.rows[i];
        rows[i].cache.current = info.current;
        rows[i].cache.min = info.min;
        rows[i].cache.max = info.max;
        rows[i].cache.defaultValue = info.defaultValue;
        rows[i].cache.pageStep = 0;
        rows[i].cache.supported = info.supported != 0;
    }
    PowerLineSetting& powerLine = g_pictureSettings.powerLine;
    powerLine.supported = opened.powerLine.supported != 0;
    powerLine.current = opened.powerLine.current;
    powerLine.min = opened.powerLine.min;
    powerLine.max = opened.powerLine.max;
    powerLine.defaultValue = opened.powerLine.defaultValue;

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
    // A setting the camera lacks shows no value, not another camera's.
    for (const PictureRow& row : rows) {
        row.field->setText(row.cache.supported ? QString::number(row.cache.current, 10) : QString());
        serve(row.slider, row.cache.supported);
        serve(row.field, row.cache.supported);
    }
    serve(pane->cb_fliker, g_pictureSettings.powerLine.supported);
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
        toCamera(PowerLineAxis, Op("SetPowerLineFrequency", &BaseDevice::SetPowerLineFrequency, shown));
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

}  // namespace

void MainWindow::drag(int rowIndex, int position)
{
    const PictureRow row = PictureRows(pane)[static_cast<size_t>(rowIndex)];
    row.cache.current = position;
    row.field->setText(QString::number(position, 10));
    if (pictureReachesCamera())
        toCamera(PictureAxes << rowIndex, Op(row.sendName, row.send, position));
}

// A drag reports through sliderMoved (the slots below). Every other change
// of a value by the user (the wheel, keys, a click on the groove) comes only
// as a value change: it reaches the field and the camera here, once.
void MainWindow::wirePictureSliders()
{
    const auto rows = PictureRows(pane);
    for (size_t i = 0; i < rows.size(); ++i) {
        connect(rows[i].slider, &QSlider::valueChanged, this, [this, i](int value) {
            if (fillingPane || PictureRows(pane)[i].slider->isSliderDown())
                return;
            drag(static_cast<int>(i), value);
        });
    }
}

void MainWindow::on_slider_wb_sliderMoved(int position) { drag(WhiteBalance, position); }

void MainWindow::on_slider_blc_sliderMoved(int position) { drag(Backlight, position); }

void MainWindow::on_slider_gamma_sliderMoved(int position) { drag(Gamma, position); }

void MainWindow::on_slider_contrast_sliderMoved(int position) { drag(Contrast, position); }

void MainWindow::on_slider_saturation_sliderMoved(int position) { drag(Saturation, position); }

void MainWindow::on_slider_brightness_sliderMoved(int position) { drag(Brightness, position); }

void MainWindow::on_slider_sharpness_sliderMoved(int position) { drag(Sharpness, position); }

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
        toCamera(PowerLineAxis, Op("SetPowerLineFrequency", &BaseDevice::SetPowerLineFrequency, value));
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
        row.field->setText(row.cache.supported ? QString::number(row.cache.defaultValue, 10) : QString());
    if (!pictureReachesCamera())
        return;
    const PictureSettings& s = g_pictureSettings;
    toCamera(
        EveryPictureAxis, AllOf({Op("SetWhiteBalance", &BaseDevice::SetWhiteBalance, s.whiteBalance.defaultValue),
                              Op("SetBacklight", &BaseDevice::SetBacklight, s.backlight.defaultValue),
                              Op("SetGamma", &BaseDevice::SetGamma, s.gamma.defaultValue),
                              Op("SetContrast", &BaseDevice::SetContrast, s.contrast.defaultValue),
                              Op("SetSaturation", &BaseDevice::SetSaturation, s.saturation.defaultValue),
                              Op("SetBrightness", &BaseDevice::SetBrightness, s.brightness.defaultValue),
                              Op("SetSharpness", &BaseDevice::SetSharpness, s.sharpness.defaultValue),
                              Op("SetPowerLineFrequency", &BaseDevice::SetPowerLineFrequency, s.powerLine.defaultValue),
                              // last: white balance back to automatic
                              Op("SetWhiteBalanceMode", &BaseDevice::SetWhiteBalanceMode, 0)}));
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
