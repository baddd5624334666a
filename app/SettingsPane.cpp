// The picture-settings pane: (re)opening a camera and loading the pane from
// it, the seven sliders, the anti-flicker combo, Default, OK and the settings
// button.
#include "MainWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSlider>
#include <array>

#include "AppState.h"
#include "CommandNotice.h"
#include "ui_MainWindow.h"

namespace {

// One slider row of the pane: its cache entry, the camera record it is
// loaded from, its widgets and the operation that sends it.
struct PictureRow {
    PictureSetting& cache;
    PropertyInfo BaseDevice::*record;
    QSlider* slider;
    QLineEdit* field;
    bool (BaseDevice::*send)(int);
};

// In the pane's order, top to bottom.
std::array<PictureRow, 7> PictureRows(MainWindowForm* ui)
{
    PictureSettings& s = g_pictureSettings;
    return {{
        {s.backlight, &BaseDevice::backlightCompensation, ui->slider_blc, ui->v_blc, &BaseDevice::SetBacklight},
        {s.gamma, &BaseDevice::gamma, ui->slider_gamma, ui->v_gamma, &BaseDevice::SetGamma},
        {s.contrast, &BaseDevice::contrast, ui->slider_contrast, ui->v_contrast, &BaseDevice::SetContrast},
        {s.saturation, &BaseDevice::saturation, ui->slider_saturation, ui->v_saturation,
         &BaseDevice::SetSaturation},
        {s.brightness, &BaseDevice::brightness, ui->slider_brightness, ui->v_brightness,
         &BaseDevice::SetBrightness},
        {s.sharpness, &BaseDevice::sharpness, ui->slider_sharpness, ui->v_sharpness, &BaseDevice::SetSharpness},
        {s.whiteBalance, &BaseDevice::whiteBalance, ui->slider_wb, ui->v_wb, &BaseDevice::SetWhiteBalance},
    }};
}

enum Row { Backlight, Gamma, Contrast, Saturation, Brightness, Sharpness, WhiteBalance };

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
    if (!device->OpenAny(indexText.constData(), 1)) {
        showAbilities();
        return;  // the pane keeps the previous camera's values
    }
    cameraBound = true;
    showAbilities();
    const bool listed = flag >= 0 && flag < static_cast<int>(devices.size());
    commandNotice->cameraOpened(listed ? QString::fromStdString(devices[flag].devicePath)
                                       : QString::fromUtf8(device->GetFriendlyName()));
    device->LoadPropertyInfo();

    const auto rows = PictureRows(ui);
    for (const PictureRow& row : rows) {
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

    // The range goes first, or a value beyond the slider's old range would
    // be clipped to it.
    const QScopedValueRollback<bool> filling(fillingPane, true);
    for (const PictureRow& row : rows) {
        row.slider->setMinimum(row.cache.min);
        row.slider->setMaximum(row.cache.max);
        row.slider->setPageStep(0);
        row.slider->setValue(row.cache.current);
    }
    for (const PictureRow& row : rows)
        row.field->setText(QString::number(row.cache.current, 10));
    // Emits the text change (and so sends the value back) only when the index
    // differs; a value beyond the three items leaves the combo empty.
    ui->cb_fliker->setCurrentIndex(powerLine.current);
}

namespace {

void Drag(const PictureRow& row, int position, BaseDevice* device, bool reachesCamera)
{
    row.cache.current = position;
    row.field->setText(QString::number(position, 10));
    if (reachesCamera)
        (device->*row.send)(position);
}

}  // namespace

// A drag reports through sliderMoved (the slots below). Every other change
// of a value by the user (the wheel, keys, a click on the groove) comes only
// as a value change: it reaches the field and the camera here, once.
void MainWindow::wirePictureSliders()
{
    const auto rows = PictureRows(ui);
    for (size_t i = 0; i < rows.size(); ++i) {
        connect(rows[i].slider, &QSlider::valueChanged, this, [this, i](int value) {
            const PictureRow row = PictureRows(ui)[i];
            if (fillingPane || row.slider->isSliderDown())
                return;
            Drag(row, value, device, pictureReachesCamera());
        });
    }
}

void MainWindow::on_slider_wb_sliderMoved(int position)
{
    Drag(PictureRows(ui)[WhiteBalance], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_blc_sliderMoved(int position)
{
    Drag(PictureRows(ui)[Backlight], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_gamma_sliderMoved(int position)
{
    Drag(PictureRows(ui)[Gamma], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_contrast_sliderMoved(int position)
{
    Drag(PictureRows(ui)[Contrast], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_saturation_sliderMoved(int position)
{
    Drag(PictureRows(ui)[Saturation], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_brightness_sliderMoved(int position)
{
    Drag(PictureRows(ui)[Brightness], position, device, pictureReachesCamera());
}

void MainWindow::on_slider_sharpness_sliderMoved(int position)
{
    Drag(PictureRows(ui)[Sharpness], position, device, pictureReachesCamera());
}

void MainWindow::on_cb_fliker_currentTextChanged(QString)
{
    const QString text = ui->cb_fliker->currentText();
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
        device->SetPowerLineFrequency(value);
}

void MainWindow::on_btn_default_clicked()
{
    const auto rows = PictureRows(ui);
    {
        const QScopedValueRollback<bool> filling(fillingPane, true);
        for (const PictureRow& row : rows)
            row.slider->setValue(row.cache.defaultValue);
    }
    ui->cb_fliker->setCurrentIndex(g_pictureSettings.powerLine.defaultValue);
    for (const PictureRow& row : rows)
        row.field->setText(QString::number(row.cache.defaultValue, 10));
    if (!pictureReachesCamera())
        return;
    const PictureSettings& s = g_pictureSettings;
    device->SetWhiteBalance(s.whiteBalance.defaultValue);
    device->SetBacklight(s.backlight.defaultValue);
    device->SetGamma(s.gamma.defaultValue);
    device->SetContrast(s.contrast.defaultValue);
    device->SetSaturation(s.saturation.defaultValue);
    device->SetBrightness(s.brightness.defaultValue);
    device->SetSharpness(s.sharpness.defaultValue);
    device->SetPowerLineFrequency(s.powerLine.defaultValue);
    device->SetWhiteBalanceMode(0);  // last: white balance back to automatic
}

void MainWindow::on_btn_ok_clicked()
{
    ui->Win_Right->setVisible(false);
    g_settingsShown = 0;
}

void MainWindow::on_btn_setting_clicked()
{
    if (g_cameraOpen == 0) {
        ui->Win_Right->setEnabled(false);
        // Its own OK goes dead with it: this button must still close it.
        if (g_settingsShown == 1) {
            ui->Win_Right->setVisible(false);
            g_settingsShown = 0;
        }
    } else if (g_settingsShown == 0) {
        ui->Win_Right->setVisible(true);
        g_settingsShown = 1;
    } else if (g_settingsShown == 1) {
        ui->Win_Right->setVisible(false);
        g_settingsShown = 0;
    }
}
