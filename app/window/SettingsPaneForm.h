// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The picture-settings pane's form (forms/SettingsPane.ui) put into the main
// window's form, where the window's form once held it: on the central widget,
// beside and under the control face, its signals bound to the window's slots
// by name.
#pragma once

class QObject;
class QWidget;
namespace Ui {
class SettingsPaneForm;
}

// What uic's setupUi does for the widgets of its own form, which the
// window's form leaves to the window: each slot of `receiver` named
// on_<object>_<signal> is bound to that signal of the named object in
// `senders` (itself or under it). Unlike Qt's, it says nothing of a slot
// whose widget is not there yet.
void BindSlotsByName(QObject* receiver, QObject* senders);

// Builds `form` into `centralWidget` under `controlFace` and binds the
// on_<widget>_<signal> slots of `window` to it; returns the pane (Win_Right).
QWidget* BuildSettingsPane(Ui::SettingsPaneForm* form, QWidget* centralWidget, QWidget* controlFace, QObject* window);
