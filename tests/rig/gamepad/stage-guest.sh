#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# What the gamepad case adds to the rig's machine, as a tree laid over its
# initramfs: udev's own daemon (Debian's udev, unpacked, not installed), so
# that the pad is marked ID_INPUT_JOYSTICK and announced as on a desktop;
# Qt's offscreen platform and a font, so that the panel runs without a
# display; and every library they load.
#
#   stage-guest.sh CACHE DIR
#
# Exit status 77 (with a "SKIPPED:" line) when this machine cannot provide it.
set -euo pipefail

cache=$1 dir=$2
here=$(cd "$(dirname "$0")" && pwd)
skip() { echo "SKIPPED: $*"; exit 77; }

# udev and the systemd library it was built with, of one version.
version=$(apt-cache policy udev 2>/dev/null | sed -n 's/^ *Candidate: //p')
[ -n "$version" ] && [ "$version" != "(none)" ] || skip "no udev package is available from apt"
root="$cache/udev-$version"
if [ ! -f "$root/.unpacked" ]; then
  echo "rig: unpacking udev $version"
  rm -rf "$root" "$cache/udev-download"
  mkdir -p "$cache/udev-download" "$root"
  (cd "$cache/udev-download" && apt-get download -qq "udev=$version" "libsystemd-shared=$version" 2>/dev/null) ||
    skip "could not download udev=$version and libsystemd-shared=$version"
  for deb in "$cache"/udev-download/*.deb; do dpkg-deb -x "$deb" "$root"; done
  rm -rf "$cache/udev-download"
  touch "$root/.unpacked"
fi
first() { for f in "$@"; do [ -e "$f" ] && { echo "$f"; return; }; done; }
# systemd-udevd is udevadm under another name.
udevadm=$(first "$root"/bin/udevadm "$root"/usr/bin/udevadm)
rules=$(first "$root"/lib/udev/rules.d/60-input-id.rules "$root"/usr/lib/udev/rules.d/60-input-id.rules)
shared=$(first "$root"/usr/lib/*/systemd/libsystemd-shared-*.so "$root"/lib/systemd/libsystemd-shared-*.so)
[ -n "$udevadm" ] && [ -n "$rules" ] && [ -n "$shared" ] ||
  { echo "rig: udev $version does not hold what the gamepad case needs"; exit 1; }

plugin=$(dpkg -L libqt5gui5 2>/dev/null | grep '/platforms/libqoffscreen\.so$' | head -n1)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
[ -n "$plugin" ] && [ -f "$font" ] || { echo "rig: Qt's offscreen platform or the DejaVu font is missing"; exit 1; }

mkdir -p "$dir/rig/udev" "$dir/rig/lib" "$dir/rig/gamepad/platforms" "$dir/usr/lib/udev/rules.d" \
  "$dir/etc/fonts" "$dir/usr/share/fonts"
cp "$udevadm" "$dir/rig/udev/"
ln -s udevadm "$dir/rig/udev/systemd-udevd"
cp "$rules" "$dir/usr/lib/udev/rules.d/"
cp "$plugin" "$dir/rig/gamepad/platforms/"
cp "$font" "$dir/usr/share/fonts/"
cat > "$dir/etc/fonts/fonts.conf" <<'CONF'
<?xml version="1.0"?>
<fontconfig><dir>/usr/share/fonts</dir><cachedir>/tmp/fontconfig</cachedir></fontconfig>
CONF
install -m 755 "$here/start-udev.sh" "$dir/rig/gamepad/start-udev.sh"

# Their libraries beside the others the rig packs (the loader is packed already).
cp -L "$shared" "$dir/rig/lib/"
for program in "$udevadm" "$plugin"; do
  LD_LIBRARY_PATH=$(dirname "$shared") ldd "$program"
done | grep -o '=> /[^ ]*' | sed 's/^=> //' | sort -u | while read -r lib; do
  cp -L "$lib" "$dir/rig/lib/"
done
