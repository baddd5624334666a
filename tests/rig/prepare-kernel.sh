#!/usr/bin/env bash
# Gets what the rig needs into CACHE: Debian 12's 6.1 kernel (the image
# unpacked, not installed), its modules' load order, and usb_f_uvc built
# from Debian's own source of that kernel with the rig's patch. Installs the
# Debian packages it needs. Quiet and quick once everything is there.
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

install_packages "linux-headers-$kver=$pkgver" "linux-source-6.1=$pkgver"

# The kernel and the modules the rig loads, in load order (dependencies
# first), taken from the unpacked package; the rest of it is not kept.
kernel="$cache/vmlinuz-$kver"
stock="$cache/modules-$kver"
if [ ! -f "$kernel" ] || [ ! -f "$stock/order" ]; then
  echo "rig: unpacking linux-image-$kver $pkgver"
  image="$cache/image"
  rm -rf "$image" "$stock" "$cache/download"
  mkdir -p "$cache/download" "$stock"
  (cd "$cache/download" && apt-get download -qq "linux-image-$kver=$pkgver" 2>/dev/null) ||
    skip "could not download linux-image-$kver=$pkgver"
  dpkg-deb -x "$cache"/download/linux-image-*.deb "$image"
  depmod -b "$image" "$kver"
  for m in configfs dummy_hcd libcomposite usb_f_uvc uvcvideo; do
    modprobe -d "$image" -S "$kver" --show-depends "$m" | sed -n 's/^insmod \([^ ]*\).*/\1/p'
  done | awk '!seen[$0]++' | while read -r ko; do
    cp "$ko" "$stock/"
    basename "$ko"
  done > "$stock/order.partial"
  mv "$stock/order.partial" "$stock/order"
  cp "$image/boot/vmlinuz-$kver" "$kernel.partial"
  mv "$kernel.partial" "$kernel"
  rm -rf "$image" "$cache/download"
fi

# usb_f_uvc from the same source, patched; rebuilt when the patch changes.
patch_file="$here/usb_f_uvc-rig.patch"
stamp="$pkgver $(sha256sum "$patch_file" | cut -d' ' -f1)"
module="$cache/usb_f_uvc.ko"
if [ ! -f "$module" ] || [ "$(cat "$cache/usb_f_uvc.stamp" 2>/dev/null)" != "$stamp" ]; then
  echo "rig: building usb_f_uvc for $kver"
  src="$cache/src-$pkgver"
  if [ ! -d "$src/linux-source-6.1/drivers/usb/gadget/function" ]; then
    rm -rf "$src" && mkdir -p "$src"
    tar -xJf /usr/src/linux-source-6.1.tar.xz -C "$src" --wildcards \
      'linux-source-6.1/drivers/usb/gadget/function/*uvc*'
  fi
  build="$cache/usb_f_uvc-build"
  rm -rf "$build" && mkdir -p "$build/drivers/usb/gadget/function"
  cp "$src"/linux-source-6.1/drivers/usb/gadget/function/*uvc* "$build/drivers/usb/gadget/function/"
  patch -s -d "$build" -p1 < "$patch_file"
  cat > "$build/drivers/usb/gadget/function/Kbuild" <<'KBUILD'
obj-m := usb_f_uvc.o
usb_f_uvc-y := f_uvc.o uvc_queue.o uvc_v4l2.o uvc_video.o uvc_configfs.o
KBUILD
  if ! make -s -C "/usr/src/linux-headers-$kver" M="$build/drivers/usb/gadget/function" -j2 modules \
      > "$build/make.log" 2>&1; then
    cat "$build/make.log"
    echo "rig: building usb_f_uvc failed"
    exit 1
  fi
  cp "$build/drivers/usb/gadget/function/usb_f_uvc.ko" "$module"
  echo "$stamp" > "$cache/usb_f_uvc.stamp"
fi

# The load order, with the patched usb_f_uvc in place of Debian's.
sed "s|^usb_f_uvc\.ko\$|$module|; t; s|^|$stock/|" "$stock/order" > "$cache/modules.list"
echo "$kernel" > "$cache/kernel.path"
