// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What each control says of itself: its tool tip (what it does, and its
// key), and its name and state for screen readers. The faces are pictures,
// so without these a control says nothing at all.
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "accessibility/ControlAccessibility.h"
#include "widgets/RockerHandle.h"
#include "window/AppState.h"
#include "window/MainWindow.h"
#include "ui_MainWindow.h"
#include "ui_SettingsPane.h"

using ptzdeck::accessibility::AnnounceState;
using ptzdeck::accessibility::DescribeState;
using ptzdeck::accessibility::Kind;

namespace {

void Describe(QWidget* control, const QString& name, const QString& tip)
{
    control->setAccessibleName(name);
    control->setToolTip(tip);
}

// Hears a face change (a new style sheet) on the buttons whose face is their
// state, and the clicks on those whose state has no face.
class StateWatch : public QObject {
public:
    StateWatch(QObject* parent, std::function<void()> changed) : QObject(parent), changed(std::move(changed)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::StyleChange)
            changed();
        return false;
    }

private:
    std::function<void()> changed;
};

}  // namespace

void MainWindow::describeControls()
{
    // Screen readers name the window by this; its title is the form's.
    setAccessibleName(QStringLiteral("ptzdeck"));
    // The panel floats over the window a person works in: its tips show
    // without a click to make it active first.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // States first: a name given makes Qt build the control's interface.
    DescribeState(ui->btn_af, Kind::Toggle, [this] { return autoFocus(); });
    DescribeState(ui->btn_ai, Kind::Toggle, [this] { return autoFraming(); });
    DescribeState(ui->btn_mute, Kind::Toggle, [this] { return muted(); });
    DescribeState(ui->btn_flip, Kind::Toggle, [this] { return flipped(); });
    DescribeState(ui->btn_mirror, Kind::Toggle, [this] { return mirrored(); });
    DescribeState(ui->btn_top, Kind::Toggle, [this] { return staysOnTop(); });
    DescribeState(ui->btn_setting, Kind::Toggle, [this] { return g_settingsShown == 1; });

    ui->Win_Left->setAccessibleName(tr("Camera controls"));

    Describe(ui->widget, tr("Pan and tilt"),
        tr("Pan and tilt: drag the knob the way the camera should turn, farther for faster; or hold the arrow keys"));
    Describe(ui->slider_zoom, tr("Zoom"), tr("Zoom: drag up or down, or hold T / W"));
    Describe(ui->slider_focus, tr("Focus"),
        tr("Focus, in manual focus: drag up (far) or down (near), or hold Page Up / Page Down"));
    Describe(ui->btn_af, tr("Auto focus"), tr("Auto focus on or off; off, the focus slider works (A)"));
    Describe(ui->btn_ai, tr("Auto framing"), tr("Auto framing on or off (F: on, M: off)"));
    Describe(ui->btn_push, tr("Push"), tr("Frame the picture once, now (O)"));
    Describe(ui->btn_set, tr("Set"), tr("Store: the next preset digit stores the camera's position there (S)"));
    Describe(ui->btn_clear, tr("Clear"), tr("Clear: the next preset digit clears that preset (C)"));
    Describe(ui->btn_home, tr("Home"), tr("Send the camera to its home position (Home or H)"));
    Describe(ui->btn_flip, tr("Flip"), tr("Turn the picture upside down, or back (V)"));
    Describe(ui->btn_mirror, tr("Mirror"), tr("Mirror the picture left to right, or back (R)"));
    Describe(ui->btn_mute, tr("Mute"), tr("Mute the camera's picture, or let it through again (U)"));
    Describe(ui->btn_top, tr("Stay on top"), tr("Keep the panel above other windows, or not (Ctrl+T)"));
    Describe(ui->btn_min, tr("Minimize"), tr("Minimize to the notification area (Ctrl+M)"));
    Describe(ui->btn_close, tr("Quit"), tr("Quit ptzdeck (Ctrl+Q)"));
    Describe(ui->btn_setting, tr("Picture settings"), tr("Show or hide the picture settings (Ctrl+,)"));
    QPushButton* const digits[] = {ui->btn_num0, ui->btn_num1, ui->btn_num2, ui->btn_num3, ui->btn_num4, ui->btn_num5,
        ui->btn_num6, ui->btn_num7, ui->btn_num8, ui->btn_num9};
    for (int digit = 0; digit < 10; ++digit)
        Describe(digits[digit], tr("Preset %1").arg(digit),
            tr("Recall preset %1 (key %1); after Set, store it; after Clear, clear it").arg(digit));
    QPushButton* const tabs[] = {ui->btn_cam1, ui->btn_cam2, ui->btn_cam3, ui->btn_cam4, ui->btn_cam5};
    for (int number = 1; number <= 5; ++number) {
        tabs[number - 1]->setToolTip(tr("Camera %1 (Alt+%1)").arg(number));
        DescribeState(tabs[number - 1], Kind::Tab, [this, number] { return chosenTab == number && cameraBound; });
    }

    // A state changes with its face, or (flip, mirror, the pane) with a click.
    // Queued: a face is set before the state behind it is stored.
    auto* watch = new StateWatch(
        this, [this] { QMetaObject::invokeMethod(this, &MainWindow::describeStates, Qt::QueuedConnection); });
    for (QPushButton* faced : {ui->btn_af, ui->btn_ai, ui->btn_mute, ui->btn_top, ui->btn_cam1, ui->btn_cam2,
             ui->btn_cam3, ui->btn_cam4, ui->btn_cam5})
        faced->installEventFilter(watch);
    for (QPushButton* faceless : {ui->btn_flip, ui->btn_mirror, ui->btn_setting})
        connect(faceless, &QPushButton::clicked, this, &MainWindow::describeStates);
    describeStates();
}

void MainWindow::describeStates()
{
    const QStringList names = cameraNames();
    QPushButton* const tabs[] = {ui->btn_cam1, ui->btn_cam2, ui->btn_cam3, ui->btn_cam4, ui->btn_cam5};
    for (int number = 1; number <= 5; ++number) {
        QString name = number <= names.size() ? tr("Camera %1: %2").arg(number).arg(names[number - 1])
                                              : tr("Camera %1: none").arg(number);
        if (chosenTab == number && cameraBound)
            name = tr("%1, open").arg(name);
        if (tabs[number - 1]->accessibleName() != name)
            tabs[number - 1]->setAccessibleName(name);
        AnnounceState(tabs[number - 1]);
    }
    for (QPushButton* toggle :
        {ui->btn_af, ui->btn_ai, ui->btn_mute, ui->btn_flip, ui->btn_mirror, ui->btn_top, ui->btn_setting})
        AnnounceState(toggle);
}

void MainWindow::describePane()
{
    paneWidget->setAccessibleName(tr("Picture settings"));
    const struct {
        QSlider* slider;
        QLineEdit* field;
        QString name;
    } rows[] = {
        {pane->slider_blc, pane->v_blc, tr("Backlight compensation")},
        {pane->slider_gamma, pane->v_gamma, tr("Gamma")},
        {pane->slider_contrast, pane->v_contrast, tr("Contrast")},
        {pane->slider_saturation, pane->v_saturation, tr("Saturation")},
        {pane->slider_brightness, pane->v_brightness, tr("Brightness")},
        {pane->slider_sharpness, pane->v_sharpness, tr("Sharpness")},
        {pane->slider_wb, pane->v_wb, tr("White balance")},
    };
    // Tab walks the pane, top to bottom; a click never gives it the keyboard.
    QWidget* previous = nullptr;
    const auto inTabOrder = [&previous](QWidget* control) {
        control->setFocusPolicy(Qt::TabFocus);
        if (previous)
            QWidget::setTabOrder(previous, control);
        previous = control;
    };
    for (const auto& row : rows) {
        Describe(
            row.slider, row.name, tr("%1: drag, or reach it with Tab and change it with the arrow keys").arg(row.name));
        Describe(row.field, tr("%1 value").arg(row.name), QString());
        inTabOrder(row.slider);
    }
    Describe(pane->cb_fliker, tr("Anti-flicker"),
        tr("Anti-flicker: the frequency of the mains that light the room; with Tab and the arrow keys too"));
    Describe(pane->btn_default, tr("Default"), tr("Put every picture setting back to the camera's default"));
    Describe(pane->btn_ok, tr("OK"), tr("Close the picture settings (Esc)"));
    inTabOrder(pane->cb_fliker);
    inTabOrder(pane->btn_default);
    inTabOrder(pane->btn_ok);
    connect(pane->btn_ok, &QPushButton::clicked, this, &MainWindow::describeStates);
}
