#!/usr/bin/env bash
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# lumetra-cli on a simulated bus directory: it lists the supported cameras
# in file-name order (and, with list-all, other makes' after them) and its
# requests reach the camera's log.
set -euo pipefail
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

printf 'name=Office Webcam\npath=\\\\?\\usb#vid_046d&pid_0825&mi_00#1\n' > "$dir/1-webcam.cam"
printf 'name=Hall PTZ\npath=\\\\?\\usb#vid_0000&pid_8888&mi_00#2\n' > "$dir/2-hall.cam"
printf 'name=Stage PTZ\npath=\\\\?\\usb#vid_0000&pid_7588&mi_00#3\nproc-amp.0=-64,64,1,0,21\n' > "$dir/3-stage.cam"

out=$("$cli" --sim "$dir" list)
expected=$(printf '0  Hall PTZ  \\\\?\\usb#vid_0000&pid_8888&mi_00#2\n1  Stage PTZ  \\\\?\\usb#vid_0000&pid_7588&mi_00#3')
[ "$out" = "$expected" ] || fail "list printed: $out"

out=$("$cli" --sim "$dir" open 1 PanLeft 5 GetBrightness MirrorOn)
grep -qx 'Open 1 -> true: Stage PTZ' <<<"$out" || fail "open printed: $out"
grep -qx 'GetBrightness -> true: 21' <<<"$out" || fail "get printed: $out"
diff <(cat "$dir/requests.log") - <<'LOG' || fail "requests.log differs"
3-stage ks-set camera-control 10 value1=-5 value2=0 flags=0x10 len=40
3-stage get proc-amp 0
3-stage ks-set camera-control 2 value1=0 value2=0 flags=0x10 len=40
LOG

if "$cli" --sim "$dir" open 2 >/dev/null; then fail "open 2 succeeded"; fi

# Another make's camera that can move: after the supported ones, with
# list-all and open-any; its speeds are shares of its fastest.
printf 'name=Desk PTZ\npath=\\\\?\\usb#vid_1209&pid_2222&mi_00#0\nptz-controls=pan-tilt-relative\ncamera-control.10=-24,24,1,0,0\n' > "$dir/0-desk.cam"
out=$("$cli" --sim "$dir" list-all)
[ "$(tail -n1 <<<"$out")" = '2  Desk PTZ  \\?\usb#vid_1209&pid_2222&mi_00#0' ] || fail "list-all printed: $out"
: > "$dir/requests.log"
out=$("$cli" --sim "$dir" open-any 2 PanLeft 50 MirrorOn) && fail "MirrorOn reached another make's camera"
grep -qx 'OpenAny 2 -> true: Desk PTZ' <<<"$out" || fail "open-any printed: $out"
grep -qx 'MirrorOn -> false' <<<"$out" || fail "open-any printed: $out"
diff <(cat "$dir/requests.log") - <<'LOG' || fail "requests.log differs"
0-desk ks-set camera-control 10 value1=-12 value2=0 flags=0x10 len=40
LOG
if "$cli" --sim "$dir/missing" list >/dev/null; then fail "a missing bus listed devices"; fi
echo "lumetra-cli: ok"
