// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// What a screen reader learns of the panel's controls beyond Qt's own:
// buttons that hold a state (a toggle, a camera tab) say it, and the
// joystick says where it moves and how fast.
#pragma once

#include <functional>

class QAbstractButton;
class QObject;

namespace ptzdeck::accessibility {

enum class Kind {
    Toggle,  // checked while `on` holds: auto focus, mute, stay on top...
    Tab,     // selected while `on` holds: the open camera's tab
};

// `button` is read by assistive technologies through `on` from now on;
// pressing it through them clicks it. The first call also gives the
// joystick its interface: it comes before any control is named.
void DescribeState(QAbstractButton* button, Kind kind, std::function<bool()> on);

// Tells assistive technologies that the state `on` reads may have changed.
void AnnounceState(QAbstractButton* button);

}  // namespace ptzdeck::accessibility
