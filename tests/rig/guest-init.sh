#!/bin/busybox sh
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

# /init of the rig's virtual machine. One kernel is both ends of the cable:
# dummy_hcd gives it a UDC per camera, each wired to its own host port; a
# configfs UVC gadget bound to each is a camera that uvcvideo then drives
# (and snd-usb-audio the microphone of the one that has one). Ends by
# printing "RIG-EXIT <status>" and powering off.
/bin/busybox mkdir -p /proc /sys /dev /run /tmp
/bin/busybox --install -s /bin
export PATH=/bin
export LD_LIBRARY_PATH=/rig/lib
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /run

finish() {
  echo "RIG-EXIT $1"
  poweroff -f
}

for ko in /rig/modules/*.ko; do
  case "$ko" in
    *-dummy_hcd.ko) args="num=5" ;;
    *-usb_f_uvc.ko) args="streaming_bulk=1" ;;
    *) args= ;;
  esac
  insmod "$ko" $args || { echo "rig: insmod $ko failed"; finish 3; }
done
mount -t configfs configfs /sys/kernel/config || finish 3

log=/run/requests.log
: > $log

# gadget NAME UDC PROFILE: a UVC camera with the responder's PROFILE on UDC;
# when the profile has a microphone, a UAC1 function (Debian's usb_f_uac1 as
# it is) comes first in the same configuration, as in most PTZ cameras.
gadget() {
  eval "$(/rig/uvc-responder --describe "$3")"
  # usb_f_uvc reads these when the function directory is made.
  echo "$CAMERA_CONTROLS" > /sys/module/usb_f_uvc/parameters/camera_controls
  echo "$PROCESSING_CONTROLS" > /sys/module/usb_f_uvc/parameters/processing_controls
  g=/sys/kernel/config/usb_gadget/$1
  mkdir $g
  echo "$VID" > $g/idVendor
  echo "$PID" > $g/idProduct
  echo 0x0100 > $g/bcdDevice
  mkdir $g/strings/0x409
  echo "$PRODUCT" > $g/strings/0x409/product
  echo "ptzdeck rig" > $g/strings/0x409/manufacturer
  echo "$NAME" > $g/strings/0x409/serialnumber
  mkdir $g/configs/c.1 $g/configs/c.1/strings/0x409
  echo camera > $g/configs/c.1/strings/0x409/configuration
  if [ "$MICROPHONE" = 1 ]; then
    a=$g/functions/uac1.0
    mkdir $a
    echo 0 > $a/c_chmask   # no speaker
    echo 1 > $a/p_chmask   # one microphone channel
    ln -s $a $g/configs/c.1/uac1.0
  fi
  f=$g/functions/uvc.0
  mkdir $f
  mkdir $f/control/header/h
  ln -s $f/control/header/h $f/control/class/fs/h
  ln -s $f/control/header/h $f/control/class/ss/h
  mkdir -p $f/streaming/uncompressed/u/vga
  echo $WIDTH > $f/streaming/uncompressed/u/vga/wWidth
  echo $HEIGHT > $f/streaming/uncompressed/u/vga/wHeight
  echo $((WIDTH * HEIGHT * 2)) > $f/streaming/uncompressed/u/vga/dwMaxVideoFrameBufferSize
  echo 333333 > $f/streaming/uncompressed/u/vga/dwDefaultFrameInterval
  # without an interval list uvcvideo rejects the format
  echo 333333 > $f/streaming/uncompressed/u/vga/dwFrameInterval
  mkdir $f/streaming/header/h
  ln -s $f/streaming/uncompressed/u $f/streaming/header/h/u
  ln -s $f/streaming/header/h $f/streaming/class/fs/h
  ln -s $f/streaming/header/h $f/streaming/class/hs/h
  ln -s $f/streaming/header/h $f/streaming/class/ss/h
  ln -s $f $g/configs/c.1/uvc.0
  echo "$2" > $g/UDC || return 1
  # The gadget goes on the bus once its responder listens.
  /rig/uvc-responder "$3" "$2" $log &
}

gadget camera0 dummy_udc.0 full || finish 4
gadget camera1 dummy_udc.1 noiris || finish 4
gadget camera2 dummy_udc.2 composite || finish 4
gadget camera3 dummy_udc.3 generic || finish 4
gadget camera4 dummy_udc.4 generic-full || finish 4

/rig/rig-guest-test $log /rig/uvc-responder /sys/kernel/config/usb_gadget
status=$?
echo "rig: request log:"
sed 's/^/RIG-LOG /' $log
finish $status
