#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# Gets what the rig needs into CACHE: Debian 12's 6.1 kernel (the image
# unpacked, not installed), its modules' load order, and usb_f_uvc and
# dummy_hcd built from Debian's own source of that kernel with the rig's
# patches. Installs the Debian packages it needs. Quiet and quick once
# everything is there.
#
# Exit status 77 (with a "SKIPPED:" line) when this machine cannot run the
# rig; any other failure is a real one.
set -euo pipefail

cache=$1
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$cache"

skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(uname -m)" = x86_64 ] || skip "the rig boots an amd64 kernel; this machine is $(uname -m)"
command -v apt-get >/dev/null && command -v dpkg-query >/dev/null ||
  skip "the rig needs a Debian 12 machine (apt-get, dpkg)"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"
  elif sudo -n true 2>/dev/null; then sudo -n "$@"
  else return 1
  fi
}

# package[=version] is installed (at that version, when one is given)
installed() {
  local name=${1%%=*} version=
  [ "$name" != "$1" ] && version=${1#*=}
  local status
  status=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null) || return 1
  [[ $status == "install ok installed "* ]] || return 1
  [ -z "$version" ] || [ "${status##* }" = "$version" ]
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1
}

install_packages() {
  local missing=() p
  for p in "$@"; do installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "rig: installing ${missing[*]}"
  apt_install "${missing[@]}" ||
    { as_root apt-get update -qq >/dev/null 2>&1 && apt_install "${missing[@]}"; } ||
    skip "could not install ${missing[*]} (needs root or password-less sudo, and a Debian 12 mirror)"
}

install_packages qemu-system-x86 busybox-static cpio kmod xz-utils patch make gcc

# The kernel Debian 12 users run: the one linux-image-amd64 points at,
# remembered once chosen so that reruns ask apt nothing.
if [ -f "$cache/kernel.env" ]; then
  . "$cache/kernel.env"
else
  depends() { apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: linux-image-\(6\.1\.[0-9]*-[0-9]*-amd64\)$/\1/p' | head -n1; }
  kver=$(depends)
  if [ -z "$kver" ]; then
    as_root apt-get update -qq >/dev/null 2>&1 || true
    kver=$(depends)
  fi
  [ -n "$kver" ] || skip "no Debian 12 (6.1) kernel package is available from apt"
  pkgver=$(apt-cache policy "linux-image-$kver" | sed -n 's/^ *Candidate: //p')
  [ -n "$pkgver" ] && [ "$pkgver" != "(none)" ] || skip "linux-image-$kver has no candidate version"
  printf 'kver=%s\npkgver=%s\n' "$kver" "$pkgver" > "$cache/kernel.env"
fi

# The kernel and the modules the rig loads, in load order (dependencies
# first), taken from the unpacked package; the rest of it is not kept.
# evdev and uinput: the gamepad the gamepad case makes.
modules="configfs dummy_hcd libcomposite usb_f_uvc uvcvideo usb_f_uac1 snd-usb-audio evdev uinput"
kernel="$cache/vmlinuz-$kver"
stock="$cache/modules-$kver"
if [ ! -f "$kernel" ] || [ ! -f "$stock/order" ] || [ "$(cat "$stock/modules" 2>/dev/null)" != "$modules" ]; then
  echo "rig: unpacking linux-image-$kver $pkgver"
  image="$cache/image"
  rm -rf "$image" "$stock" "$cache/download"
  mkdir -p "$cache/download" "$stock"
  (cd "$cache/download" && apt-get download -qq "linux-image-$kver=$pkgver" 2>/dev/null) ||
    skip "could not download linux-image-$kver=$pkgver"
  dpkg-deb -x "$cache"/download/linux-image-*.deb "$image"
  depmod -b "$image" "$kver"
  for m in $modules; do
    modprobe -d "$image" -S "$kver" --show-depends "$m" | sed -n 's/^insmod \([^ ]*\).*/\1/p'
  done | awk '!seen[$0]++' | while read -r ko; do
    cp "$ko" "$stock/"
    basename "$ko"
  done > "$stock/order.partial"
  mv "$stock/order.partial" "$stock/order"
  echo "$modules" > "$stock/modules"
  cp "$image/boot/vmlinuz-$kver" "$kernel.partial"
  mv "$kernel.partial" "$kernel"
  rm -rf "$image" "$cache/download"
fi

# The rig's two modules built from the same source with its patches, each
# rebuilt when its patch changes.
stamp() { echo "$pkgver $(sha256sum "$here/$1-rig.patch" | cut -d' ' -f1)"; }
built() { [ -f "$cache/$1.ko" ] && [ "$(cat "$cache/$1.stamp" 2>/dev/null)" = "$(stamp "$1")" ]; }
gadget=(drivers/usb/gadget/function drivers/usb/gadget/udc)

# Building needs the kernel's headers installed, and its source: the two
# folders taken from the source package as it was for this kernel, unpacked
# here and not installed. An installed linux-source-6.1 is used only at
# that version: any later apt-get install may upgrade it to another point
# release (installing build-essential did), and a rig that built once needs
# neither again.
src="$cache/src-$pkgver"
if ! built usb_f_uvc || ! built dummy_hcd; then
  install_packages "linux-headers-$kver=$pkgver"
  if [ ! -f "$src/extracted" ]; then
    rm -rf "$src" "$cache/download"
    mkdir -p "$src" "$cache/download"
    tarball=/usr/src/linux-source-6.1.tar.xz
    if ! installed "linux-source-6.1=$pkgver"; then
      echo "rig: unpacking linux-source-6.1 $pkgver"
      (cd "$cache/download" && apt-get download -qq "linux-source-6.1=$pkgver" 2>/dev/null) ||
        skip "could not download linux-source-6.1=$pkgver"
      dpkg-deb --fsys-tarfile "$cache"/download/linux-source-6.1_*.deb |
        tar -x -C "$cache/download" ./usr/src/linux-source-6.1.tar.xz
      tarball="$cache/download/usr/src/linux-source-6.1.tar.xz"
    fi
    tar -xJf "$tarball" -C "$src" "${gadget[@]/#/linux-source-6.1/}"
    rm -rf "$cache/download"
    touch "$src/extracted"
  fi
fi

#   patched NAME DIR [OBJECTS]   NAME.ko from DIR's sources, with NAME-rig.patch
patched() {
  local name=$1 dir=$2 objects=${3:-}
  local patch_file="$here/$name-rig.patch"
  local module="$cache/$name.ko"
  if built "$name"; then return 0; fi
  echo "rig: building $name for $kver"
  local build="$cache/$name-build"
  rm -rf "$build" && mkdir -p "$build/$dir"
  cp "$src/linux-source-6.1/$dir"/*.[ch] "$build/$dir/"
  patch -s -d "$build" -p1 < "$patch_file"
  echo "obj-m := $name.o" > "$build/$dir/Kbuild"
  [ -z "$objects" ] || echo "$name-y := $objects" >> "$build/$dir/Kbuild"
  if ! make -s -C "/usr/src/linux-headers-$kver" M="$build/$dir" -j2 modules > "$build/make.log" 2>&1; then
    cat "$build/make.log"
    echo "rig: building $name failed"
    exit 1
  fi
  cp "$build/$dir/$name.ko" "$module"
  stamp "$name" > "$cache/$name.stamp"
}
patched usb_f_uvc drivers/usb/gadget/function \
  "f_uvc.o uvc_queue.o uvc_v4l2.o uvc_video.o uvc_configfs.o"
patched dummy_hcd drivers/usb/gadget/udc

# The load order, with the patched modules in place of Debian's.
sed "s|^usb_f_uvc\.ko\$|$cache/usb_f_uvc.ko|; t; s|^dummy_hcd\.ko\$|$cache/dummy_hcd.ko|; t; s|^|$stock/|" \
  "$stock/order" > "$cache/modules.list"
echo "$kernel" > "$cache/kernel.path"
