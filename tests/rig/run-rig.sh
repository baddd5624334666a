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

# KVM only where it really starts a machine: an open /dev/kvm is not enough
# on a host that is itself virtual, where qemu can abort at the first CPU
# reset (the outer hypervisor refuses a model-specific register, such as
# IA32_ARCH_CAPABILITIES, that -cpu host carries). Each choice is tried on
# a machine of the rig's size whose firmware, at the reset vector, is
# "mov al, 0; out 0xf4, al; hlt": it powers off through isa-debug-exit at
# the first instruction, and qemu's status is then 1. The host's CPU less
# that register still runs under KVM on many such hosts; TCG otherwise.
probe_firmware="${prefix}probe-firmware.bin"
{ head -c 65520 /dev/zero; printf '\xb0\x00\xe6\xf4\xf4\xeb\xfd'; head -c 9 /dev/zero; } > "$probe_firmware"
starts() {
  local status=0
  timeout --kill-after=5 60 qemu-system-x86_64 "$@" -m 1024 -smp 1 -nodefaults -display none -no-reboot \
    -bios "$probe_firmware" -device isa-debug-exit,iobase=0xf4,iosize=1 < /dev/null > /dev/null 2>&1 || status=$?
  [ "$status" -eq 1 ]
}
accel=(-accel tcg -cpu max)
if [ -r /dev/kvm ] && [ -w /dev/kvm ]; then
  for cpu in host host,-arch-capabilities; do
    if starts -accel kvm -cpu "$cpu"; then accel=(-accel kvm -cpu "$cpu"); break; fi
    echo "rig: KVM with -cpu $cpu does not start a machine here"
  done
fi

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
