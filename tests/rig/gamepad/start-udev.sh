#!/bin/busybox sh
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# udev's daemon in the rig's machine, as an initramfs starts it: it marks
# input devices (60-input-id.rules) and announces what it has handled.
mkdir -p /run/udev
/rig/udev/systemd-udevd --daemon --resolve-names=never || exit 1
/rig/udev/udevadm trigger --action=add --subsystem-match=input || exit 1
/rig/udev/udevadm settle --timeout=120
