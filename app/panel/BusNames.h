// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Where the running panel is on the session bus, and the errors it answers
// with: shared by the panel and its command line. Where the bridge tells
// what it serves: shared by the bridge and the panel.
#pragma once

namespace ptzdeck::remote {

inline constexpr char kServiceName[] = "io.github.ptzdeck.ptzdeck";
inline constexpr char kObjectPath[] = "/io/github/ptzdeck/Panel";
inline constexpr char kInterface[] = "io.github.ptzdeck.Panel";

// ptzdeck-bridge, on the session bus (by hand, the user unit) or on the
// system bus (the system unit, which has no session).
inline constexpr char kBridgeServiceName[] = "io.github.ptzdeck.Bridge";
inline constexpr char kBridgeObjectPath[] = "/io/github/ptzdeck/Bridge";
inline constexpr char kBridgeInterface[] = "io.github.ptzdeck.Bridge";

// A value out of range or a word the panel does not know; names the argument.
inline constexpr char kErrorInvalidArgs[] = "org.freedesktop.DBus.Error.InvalidArgs";
// No camera is open: nothing was sent.
inline constexpr char kErrorNoCamera[] = "io.github.ptzdeck.Panel.Error.NoCamera";
// The camera tab asked for has no camera behind it.
inline constexpr char kErrorNoSuchCamera[] = "io.github.ptzdeck.Panel.Error.NoSuchCamera";
// The command was sent and the camera did not take it.
inline constexpr char kErrorNotTaken[] = "io.github.ptzdeck.Panel.Error.NotTaken";
// Focus moves only in manual focus, as the window's focus slider.
inline constexpr char kErrorFocusIsAutomatic[] = "io.github.ptzdeck.Panel.Error.FocusIsAutomatic";
// The desktop does not let a window stay on top (native Wayland).
inline constexpr char kErrorNotSupported[] = "io.github.ptzdeck.Panel.Error.NotSupported";

}  // namespace ptzdeck::remote
