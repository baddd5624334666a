#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# Runs one test program on a private X desktop: Xvfb and the Fluxbox window
# manager, which honours _NET_WM_STATE_ABOVE, lets a client place its window
# partly off-screen and hosts a notification area in its toolbar.
# Xvfb picks a free display number, so several runs can overlap.
set -euo pipefail

for tool in Xvfb fluxbox xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/bootstrap" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
if ! read -r -t 60 display <"$work/display"; then
  echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1
fi
export DISPLAY=":$display"

# A private home keeps the user's own session settings out; the toolbar holds
# only the window list and the notification area, and no wallpaper is set.
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$work/.fluxbox"
unset DBUS_SESSION_BUS_ADDRESS
cat >"$work/.fluxbox/init" <<'INIT'
session.screen0.toolbar.tools: iconbar, systemtray
session.screen0.toolbar.placement: BottomCenter
session.screen0.toolbar.visible: true
session.styleOverlay: ~/.fluxbox/overlay
INIT
echo 'background: none' >"$work/.fluxbox/overlay"
: >"$work/.fluxbox/apps"

fluxbox -rc "$work/.fluxbox/init" >"$work/desktop.log" 2>&1 &
pids+=($!)

# libxkbcommon-x11, loaded by Qt's X11 plug-in, hands strndup() names that
# are not NUL-terminated; strict string checks would stop a sanitizer run on
# that library's legitimate call.
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"; fi

# The test itself waits until the window manager and the tray are up.
status=0
QT_QPA_PLATFORM=xcb "$@" || status=$?
if [ "$status" -ne 0 ]; then echo "--- desktop log" >&2; tail -20 "$work/desktop.log" >&2; fi
exit "$status"
