// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Keys for the functions the camera keys of keyPressEvent leave out: each
// clicks the control it stands for, so it does exactly what a click does.
// The picture-settings pane is reached with Tab; a click anywhere gives the
// keyboard back to the window, so the camera keys act after any click.
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <memory>
#include <vector>

#include "desktop/KeyRepeat.h"
#include "window/AppState.h"
#include "window/MainWindow.h"
#include "ui_MainWindow.h"
#include "ui_SettingsPane.h"

namespace {

// A key, with the modifiers held with it, that clicks a control.
struct KeyBinding {
    Qt::KeyboardModifiers held;
    int key;
    QPushButton* control;
};

class WindowKeys : public QObject {
public:
    WindowKeys(QWidget* window, std::function<bool(QKeyEvent*)> pressed, std::function<bool(QKeyEvent*)> released)
        : QObject(window), window(window), pressed(std::move(pressed)), released(std::move(released))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            return watched == window && pressed(static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease:
            return watched == window && released(static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress: {
            QWidget* focused = window->focusWidget();
            if (focused && focused != window && watched->isWidgetType()
                && static_cast<QWidget*>(watched)->window() == window)
                window->setFocus(Qt::MouseFocusReason);
            return false;
        }
        default:
            return false;
        }
    }

private:
    QWidget* window;
    std::function<bool(QKeyEvent*)> pressed;
    std::function<bool(QKeyEvent*)> released;
};

}  // namespace

void MainWindow::setUpKeys()
{
    // clang-format off
    const std::vector<KeyBinding> keys = {
        {Qt::AltModifier, Qt::Key_1, ui->btn_cam1}, {Qt::AltModifier, Qt::Key_2, ui->btn_cam2},
        {Qt::AltModifier, Qt::Key_3, ui->btn_cam3}, {Qt::AltModifier, Qt::Key_4, ui->btn_cam4},
        {Qt::AltModifier, Qt::Key_5, ui->btn_cam5},
        {Qt::ControlModifier, Qt::Key_T, ui->btn_top}, {Qt::ControlModifier, Qt::Key_M, ui->btn_min},
        {Qt::ControlModifier, Qt::Key_Q, ui->btn_close}, {Qt::ControlModifier, Qt::Key_Comma, ui->btn_setting},
        {Qt::NoModifier, Qt::Key_A, ui->btn_af}, {Qt::NoModifier, Qt::Key_O, ui->btn_push},
        {Qt::NoModifier, Qt::Key_S, ui->btn_set}, {Qt::NoModifier, Qt::Key_C, ui->btn_clear},
        {Qt::NoModifier, Qt::Key_H, ui->btn_home}, {Qt::NoModifier, Qt::Key_Home, ui->btn_home},
        {Qt::NoModifier, Qt::Key_V, ui->btn_flip}, {Qt::NoModifier, Qt::Key_R, ui->btn_mirror},
        {Qt::NoModifier, Qt::Key_U, ui->btn_mute},
    };
    // clang-format on
    const std::vector<QPushButton*> digits = {ui->btn_num0, ui->btn_num1, ui->btn_num2, ui->btn_num3, ui->btn_num4,
        ui->btn_num5, ui->btn_num6, ui->btn_num7, ui->btn_num8, ui->btn_num9};
    // Set or Clear chosen by key: the next digit key stores or clears as the
    // keypad's digit would. A mode a click chose leaves the digit keys
    // recalling, as they always did.
    auto armed = std::make_shared<bool>(false);
    const auto pressed = [this, keys, digits, armed](QKeyEvent* event) {
        ptzdeck::platform::ReportHeldKeysAsRepeatedPresses();
        const Qt::KeyboardModifiers held =
            event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const int key = event->key();
        QPushButton* control = nullptr;
        for (const KeyBinding& binding : keys)
            if (binding.held == held && binding.key == key)
                control = binding.control;
        if (held == Qt::NoModifier) {
            if (key >= Qt::Key_0 && key <= Qt::Key_9 && *armed)
                control = digits[size_t(key - Qt::Key_0)];
            else if (key == Qt::Key_Escape && g_settingsShown == 1)
                control = pane->btn_ok;
            else if (key == Qt::Key_PageUp || key == Qt::Key_PageDown)
                focus(key == Qt::Key_PageUp ? 1 : -1);  // as the focus slider moves it; again on each repeat
        }
        if (!control)
            return false;
        // A hand dragging a slider or the joystick keeps what it holds: no
        // key clicks a control from under it (Esc would hide the slider it
        // drags, A disable it).
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            return true;
        *armed = control == ui->btn_set || control == ui->btn_clear;
        if (control->isEnabled())
            control->click();
        return true;
    };
    const auto released = [this](QKeyEvent* event) {
        if ((event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) && !event->isAutoRepeat())
            focus(0);
        return false;
    };
    // On the application: it hears the keys the window's children pass up,
    // and the clicks on any of them.
    qApp->installEventFilter(new WindowKeys(this, pressed, released));
}
