#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# Packs the rig's initramfs: busybox, the kernel modules in load order, the
# responder, the guest test with Lumetra and every library they load, and
# the init script; and OVERLAY, a tree laid over it, when given.
#
#   make-initramfs.sh OUT MODULE_LIST INIT RESPONDER GUEST_TEST LIBRARY [OVERLAY]
set -euo pipefail

out=$1 modules=$2 init=$3 responder=$4 guest_test=$5 library=$6 overlay=${7:-}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage"/{bin,rig/modules,rig/lib}

cp /bin/busybox "$stage/bin/busybox"
cp "$init" "$stage/init"
chmod 755 "$stage/init"

n=0
while read -r ko; do
  n=$((n + 1))
  cp "$ko" "$stage/rig/modules/$(printf %02d $n)-$(basename "$ko")"
done < "$modules"

cp "$responder" "$stage/rig/uvc-responder"
cp "$guest_test" "$stage/rig/rig-guest-test"
cp -L "$library" "$stage/rig/lib/"
soname=$(objdump -p "$library" | sed -n 's/^ *SONAME *//p')
[ -z "$soname" ] || [ -e "$stage/rig/lib/$soname" ] || cp -L "$library" "$stage/rig/lib/$soname"

# Every shared library the programs load, the loader at its own path.
for program in "$responder" "$guest_test" "$library"; do
  ldd "$program" | grep -o '/[^ ]*' || true
done | sort -u | while read -r lib; do
  case "$lib" in
    */ld-linux*) mkdir -p "$stage$(dirname "$lib")" && cp -L "$lib" "$stage$lib" ;;
    "$(dirname "$library")"/*) ;;
    *) cp -L "$lib" "$stage/rig/lib/" ;;
  esac
done

[ -z "$overlay" ] || cp -a "$overlay/." "$stage/"

(cd "$stage" && find . | cpio -o -H newc --quiet) > "$out.partial"
mv "$out.partial" "$out"
