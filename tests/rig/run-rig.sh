#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# The rig: boots Debian 12's kernel under qemu with five UVC gadget cameras
# (one also a microphone, two of other makes) that uvcvideo drives, runs
# the guest test there, and passes when it does. The table of operations, a
# column per camera, lands in CACHE/../operations.md.
#
#   run-rig.sh CACHE RESPONDER GUEST_TEST LIBRARY
#
# A second case beside the camera one names itself in RIG_CASE (its files
# are then <case>-console.log...) and may give RIG_STAGE, a program that
# fills a tree (its arguments: CACHE DIR) laid over the initramfs.
#
# Exit status 77 (with a "SKIPPED:" line) when this machine cannot run it.
set -euo pipefail

cache=$1 responder=$2 guest_test=$3 library=$4
here=$(cd "$(dirname "$0")" && pwd)
out_dir=$(dirname "$cache")

"$here/prepare-kernel.sh" "$cache"
kernel=$(cat "$cache/kernel.path")

prefix="$out_dir/${RIG_CASE:+$RIG_CASE-}"
overlay=
if [ -n "${RIG_STAGE:-}" ]; then
  overlay="${prefix}overlay"
  rm -rf "$overlay" && mkdir -p "$overlay"
  "$RIG_STAGE" "$cache" "$overlay"
fi
initramfs="${prefix}initramfs.cpio"
"$here/make-initramfs.sh" "$initramfs" "$cache/modules.list" "$here/guest-init.sh" \
  "$responder" "$guest_test" "$library" $overlay

accel=(-accel tcg -cpu max)
if [ -r /dev/kvm ] && [ -w /dev/kvm ]; then accel=(-accel kvm -cpu host); fi

console="${prefix}console.log"
echo "rig: booting $(basename "$kernel") (${accel[1]})"
started=$(date +%s)
# The guest powers off when done; the bound is for a guest that hangs.
set +e
timeout --kill-after=10 420 qemu-system-x86_64 "${accel[@]}" -m 1024 -smp 1 \
  -nodefaults -display none -no-reboot -serial stdio \
  -kernel "$kernel" -initrd "$initramfs" \
  -append "console=ttyS0 panic=-1 loglevel=4 quiet" < /dev/null > "$console" 2>&1
qemu_status=$?
set -e
echo "rig: the machine ran $(( $(date +%s) - started )) s (qemu status $qemu_status)"

grep -E '^RIG-(CHECK|INFO|RESULT|EXIT)' "$console" | tr -d '\r' || true
table="${prefix}operations.md"
{
  echo "Each cell: what the operation returned: the SET_CUR requests the camera received"
  echo "(unit/selector=bytes), and the road they took; FAIL marks a cell that broke an expectation."
  echo
  grep '^RIG-TABLE' "$console" | tr -d '\r' | sed 's/^RIG-TABLE //' || true
} > "$table"
echo "rig: operation table in $table"

if grep -q '^RIG-EXIT 0' "$console" && grep -q '^RIG-RESULT pass' "$console"; then
  exit 0
fi
grep '^RIG-ROW.*FAIL' "$console" | tr -d '\r' || true
echo "rig: the guest did not pass; its console, less the request log, follows"
grep -v '^RIG-LOG' "$console" | tail -n 80 | tr -d '\r'
exit 1
