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

# KVM only where it really runs the rig's kernel: a readable and writable
# /dev/kvm is not enough on a host that is itself virtual, where qemu may
# abort at the first CPU reset (the outer hypervisor refuses a register that
# -cpu host carries) or start and then run nothing at all. So the kernel is
# first booted under KVM without an initramfs: it panics at once for want of
# a root file system, and the reboot that follows ends qemu with status 0 (the
# panic's line in its console). A working KVM does that in a few seconds;
# what has not done it within the bound boots under TCG (slower, but it runs
# everywhere).
accel=(-accel tcg -cpu max)
if [ -r /dev/kvm ] && [ -w /dev/kvm ]; then
  probe="${prefix}kvm-probe.log"
  if timeout --kill-after=5 30 qemu-system-x86_64 -accel kvm -cpu host -m 1024 -smp 1 -nodefaults -display none \
       -no-reboot -serial stdio -kernel "$kernel" -append "console=ttyS0 panic=-1 loglevel=1" \
       < /dev/null > "$probe" 2>&1 && grep -q 'Kernel panic' "$probe"; then
    accel=(-accel kvm -cpu host)
  else
    echo "rig: KVM does not run the kernel here (its attempt: $probe)"
  fi
fi
# The bound is for a guest that hangs; emulated, the same run takes a few
# times longer.
bound=420
[ "${accel[1]}" = kvm ] || bound=1200

console="${prefix}console.log"
echo "rig: booting $(basename "$kernel") (${accel[1]})"
started=$(date +%s)
# The guest powers off when done.
set +e
timeout --kill-after=10 "$bound" qemu-system-x86_64 "${accel[@]}" -m 1024 -smp 1 \
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
