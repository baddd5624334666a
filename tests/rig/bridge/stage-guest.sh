#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# What the bridge case adds to the rig's machine, as a tree laid over its
# initramfs: ptzdeck-bridge (RIG_BRIDGE) and every library it loads beside
# the others the rig packs.
#
#   RIG_BRIDGE=... stage-guest.sh CACHE DIR
set -euo pipefail

dir=$2
[ -x "${RIG_BRIDGE:-}" ] || { echo "rig: RIG_BRIDGE must name the built ptzdeck-bridge"; exit 1; }
mkdir -p "$dir/rig/bridge" "$dir/rig/lib"
cp "$RIG_BRIDGE" "$dir/rig/bridge/"
ldd "$RIG_BRIDGE" | grep -o '=> /[^ ]*' | sed 's/^=> //' | sort -u | while read -r lib; do
  case "$lib" in
    */libLumetra.so*) ;;  # packed by the rig already, from the build
    *) cp -L "$lib" "$dir/rig/lib/" ;;
  esac
done
