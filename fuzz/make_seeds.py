#!/usr/bin/env python3
# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/).

The seeds are committed; run this again only to change them. Each seed is a
well-formed example of what its target reads, from which libFuzzer mutates.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


# ---- USB descriptors of a UVC camera -------------------------------------

def device_descriptor(vendor, product):
    return struct.pack("<BBHBBBBHHHBBBB", 18, 1, 0x0200, 0xEF, 2, 1, 64, vendor, product, 0x0100, 1, 2, 3, 1)


def uvc_configuration(value=1, control_interface=0, controls=b"\x2a\xee\x03", terminal_id=1):
    vc_interface = struct.pack("<BBBBBBBBB", 9, 4, control_interface, 0, 1, 0x0E, 0x01, 0x00, 0)
    camera_terminal = struct.pack("<BBBBHBHHHB", 15 + len(controls), 0x24, 0x02, terminal_id, 0x0201, 0, 0, 0, 0,
                                  len(controls)) + controls
    processing_unit = struct.pack("<BBBBBHB", 11, 0x24, 0x05, 2, terminal_id, 0, 2) + b"\x7f\x17\x00"
    output_terminal = struct.pack("<BBBBHBBB", 9, 0x24, 0x03, 3, 0x0101, 0, 2, 0)
    units = camera_terminal + processing_unit + output_terminal
    vc_header = struct.pack("<BBBHHIBB", 13, 0x24, 0x01, 0x0110, 13 + len(units), 48000000, 1, 1)
    vs_interface = struct.pack("<BBBBBBBBB", 9, 4, 1, 0, 0, 0x0E, 0x02, 0x00, 0)
    iad = struct.pack("<BBBBBBBB", 8, 11, control_interface, 2, 0x0E, 0x03, 0x00, 0)
    body = iad + vc_interface + vc_header + units + vs_interface
    header = struct.pack("<BBHBBBBB", 9, 2, 9 + len(body), 2, value, 0, 0x80, 250)
    return header + body


def usb_descriptor_seeds():
    camera = device_descriptor(0x0000, 0x8888) + uvc_configuration()
    write("fuzz_usb_descriptors", "ptz_first_configuration", b"\xff\x00" + camera)
    write("fuzz_usb_descriptors", "ptz_configuration_1", b"\x01\x00" + camera)
    two = device_descriptor(0x0000, 0x7588) + uvc_configuration(value=1, control_interface=2) + \
        uvc_configuration(value=2, control_interface=0, controls=b"\x0e\x00")
    write("fuzz_usb_descriptors", "second_configuration", b"\x02\x00" + two)
    write("fuzz_usb_descriptors", "no_device_descriptor", b"\xff\x00" + uvc_configuration(controls=b"\xff\xff\xff\xff\xff"))
    write("fuzz_usb_descriptors", "wrong_interface", b"\xff\x05" + camera)


# ---- .cam files ---------------------------------------------------------

def cam_file_seeds():
    ptz = "name=PTZ Camera\npath=\\\\?\\usb#vid_0000&pid_8888&mi_00#7&abc&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global\n"
    write("fuzz_cam_file", "ptz", ptz)
    write("fuzz_cam_file", "ranges", ptz + "camera-control.10=-255,255,1,0,0\nproc-amp.0=-64,64,1,0,12\n"
          "proc-amp.13=0,2,1,1,1\ncamera-control.6=none\n")
    write("fuzz_cam_file", "faults", ptz + "fault.camera-control.2=ks-set,get\nfault.proc-amp.7=all\n"
          "fault.interface=video-proc-amp, ks-control\nfault.bind=fail\nfault.property-bag=missing\n")
    write("fuzz_cam_file", "crlf_and_comments", "# a webcam\r\nname=Webcam \u00e9\u4e2d\U0001f600\r\n"
          "path=\\\\?\\usb#vid_046d&pid_0825&mi_00#x\r\n  proc-amp.4 = 0, 6, 1, 3, 3 \r\nno equals sign\r\n"
          "fault.proc-amp.4=\r\nname=again\n")
    write("fuzz_cam_file", "generic", "name=Other PTZ\npath=\\\\?\\usb#vid_1209&pid_2222&mi_00#1-4:1.0#video0\n"
          "ptz-controls=pan-tilt-absolute, zoom-relative,focus-auto,,unknown\nserial=SN 1\nport=1-4\n"
          "camera-control.13=-7,7,1,0,0\nptz-controls=zoom-absolute\n")
    write("fuzz_cam_file", "overflow", "camera-control.4294967295=-2147483648,2147483647,0,0,9999999999\n"
          "proc-amp.99=5,1,1,1,1\nfault.camera-control.4294967295=get-range\nproc-amp.-1=0,1,1,0,0\n")


# ---- property-bag texts -------------------------------------------------

def text_seeds():
    for i, s in enumerate(["PTZ Camera", "Caf\u00e9 \u4e2d\u6587 \U0001f600", "\\\\?\\usb#vid_0000&pid_8888"]):
        write("fuzz_text", "wide_%d" % i, b"\x01" + s.encode("utf-16-le"))
        write("fuzz_text", "narrow_%d" % i, b"\x00" + s.encode("utf-8"))
    write("fuzz_text", "wide_lone_surrogates", b"\x01" + struct.pack("<6H", 0x41, 0xD800, 0x42, 0xDC00, 0xD83D, 0))
    write("fuzz_text", "narrow_malformed", b"\x00" + b"a\xc0\xafb\xed\xa0\x80c\xf4\x90\x80\x80d\xe2\x82e\x80")


# ---- discovery and device paths ----------------------------------------

def device_path_seeds():
    write("fuzz_device_path", "paths", b"\x01" + b"\x03" + b"PTZ\\\\?\\usb#vid_0000&pid_8888&mi_00#1" * 3 + b"\x05\x02\x00")
    write("fuzz_device_path", "v4l2_node", b"\x00" + b"UVC Camera (0000:8888)" + b"\x88\x88\x00\x00\x01\x01\x00\x07")
    write("fuzz_device_path", "index_text", b"\x01\x02 12\x00-1\x00+0\x002147483648\x00" + b"\x00" * 16)


# ---- a sysfs tree and its driver ----------------------------------------

SEPARATOR = b"\n%%\n"


def caps_answer(driver=b"uvcvideo", capabilities=0x84A00001, device_caps=0x04200001):
    # Result ok, a well-formed name (uvcvideo), capabilities, device caps.
    choice = b"\x00" if driver == b"uvcvideo" else b"\x01"
    return b"\x00" + b"\x00" + choice + struct.pack("<II", capabilities, device_caps)


def queryctrl_answer(minimum, maximum, step, default, type_=1, flags=0):
    return b"\x00" + b"\x00" + bytes([type_]) + struct.pack("<iiiiI", minimum, maximum, step, default, flags)


def sysfs_seeds():
    descriptors = device_descriptor(0x0000, 0x8888) + uvc_configuration()
    attributes = [
        b"PTZ Camera: PTZ Camera\n", b"PTZ Camera: PTZ Camera\n", b"Webcam C270\n", b"vivid\n", b"!",
        b"00\n", b"0000\n", b"8888\n", b"001\n", b"004\n", b"1\n", descriptors,
        b"00\n", b"046d\n", b"0825\n", b"001\n", b"005\n", b"1\n", device_descriptor(0x046D, 0x0825),
        b"!",
    ]
    # video0: a capture node, listed then bound; a few requests follow.
    script = b"\x00" + caps_answer() + b"\x00" + caps_answer()
    script += bytes([6])  # six requests
    script += b"\x81\x00" + struct.pack("<i", 12) + b"\x02" + queryctrl_answer(-64, 64, 1, 0) + b"\x00"
    script += b"\x01\x07" + struct.pack("<i", 0) + b"\x00" + queryctrl_answer(2800, 6500, 10, 4600)
    script += b"\x03\x0a" + struct.pack("<i", -21) + b"\x10" + struct.pack("<i", 0) + \
        queryctrl_answer(-1, 1, 1, 0) + queryctrl_answer(-1, 1, 1, 0) + b"\x00"
    script += b"\x03\x02" + struct.pack("<i", 105) + b"\x00" + struct.pack("<i", 0) + b"\x00" + \
        struct.pack("<18B", 18, 1, 0, 2, 0xEF, 2, 1, 64, 0, 0, 0x88, 0x88, 0, 1, 1, 2, 3, 1) + b"\x00\x02"
    script += b"\x00\x01" + struct.pack("<i", 0) + b"\x00" + b"\x00" + struct.pack("<i", 30)
    script += b"\x43\x0c" + struct.pack("<i", 4000) + b"\x02" + struct.pack("<i", 5000) + b"\x00"
    # video1: the metadata node of the same camera.
    script += b"\x00" + caps_answer(device_caps=0x04800000) + b"\x00" + caps_answer(device_caps=0x04800000)
    # video2: another make, another driver.
    script += b"\x00" + caps_answer(driver=b"gspca") + b"\x00" + caps_answer(driver=b"gspca")
    write("fuzz_v4l2_sysfs", "ptz_and_webcam", SEPARATOR.join(attributes + [script, b""]))
    # The same tree read in small pieces, one attribute failing.
    reads = bytes([1, 1, 2, 0, 0xEE, 3] * 12)
    write("fuzz_v4l2_sysfs", "small_reads", SEPARATOR.join(attributes + [script, reads]))
    # Nothing but names.
    write("fuzz_v4l2_sysfs", "names_only", SEPARATOR.join([b"video7", b"", b"video007\n", b"\xff\xfe"]))


# ---- the program's command line -------------------------------------------

def command_line(*words):
    """The bytes from which fuzz_command_line's FuzzedDataProvider reads
    `words`: the count and each word's "typed out" choice (0) come off the
    end, the words themselves off the front, each closed by a backslash."""
    assert len(words) <= 6 and not any("\\" in w for w in words)
    front = b"".join(w.encode("utf-8") + b"\\x" for w in words)
    return front + bytes([0] * len(words)) + bytes([len(words)])


def command_line_seeds():
    for name, words in [
        ("call", ("call", "3")), ("store", ("store", "4")), ("clear", ("clear", "0")), ("camera", ("camera", "2")),
        ("move", ("move", "left")), ("move_speed", ("move", "down", "3")),
        ("move_diagonal_timed", ("move", "up-left", "9,4", "--for", "0.5")),
        ("move_timed_equals", ("move", "right", "--for=2")), ("stop", ("stop",)), ("zoom", ("zoom", "in")),
        ("focus", ("focus", "far")), ("home", ("home",)), ("toggle_on", ("af", "on")), ("toggle_off", ("mute", "off")),
        ("on_top", ("on-top", "off")), ("show", ("show",)), ("status_json", ("status", "--json")),
        ("help", ("--help",)), ("qt_options", ("-platform", "xcb")), ("out_of_range", ("camera", "6")),
        ("unknown_direction", ("move", "sideways", "5")),
    ]:
        write("fuzz_command_line", name, command_line(*words))


# ---- VISCA over IP: Sony datagrams and raw VISCA streams -----------------

def visca_seeds():
    def datagram(kind, seq, payload):
        return struct.pack(">HHI", kind, len(payload), seq) + payload
    messages = {
        "drive": bytes.fromhex("8101060118140301ff"),
        "stop": bytes.fromhex("8101060100000303ff"),
        "absolute": bytes.fromhex("8101060218140f0f0f0f00000100ff"),
        "zoom_variable": bytes.fromhex("8101040725ff"),
        "zoom_direct": bytes.fromhex("810104470a0b0c0dff"),
        "memory_recall": bytes.fromhex("8101043f0203ff"),
        "version_inquiry": bytes.fromhex("81090002ff"),
        "pan_tilt_inquiry": bytes.fromhex("81090612ff"),
    }
    for name, message in messages.items():
        kind = 0x0110 if message[1] == 0x09 else 0x0100
        write("fuzz_visca_ip", name, datagram(kind, 7, message))
    write("fuzz_visca_ip", "reset", datagram(0x0200, 0, b"\x01"))
    write("fuzz_visca_ip", "raw", messages["drive"])
    write("fuzz_visca_ip", "length_disagrees", datagram(0x0100, 1, messages["stop"])[:-1])
    stream = b"".join(messages.values())
    write("fuzz_visca_stream", "commands", b"\x05" + stream)
    write("fuzz_visca_stream", "overlong", b"\x03" + b"\x81" * 40 + b"\xff" + messages["stop"])


def main():
    visca_seeds()
    command_line_seeds()
    usb_descriptor_seeds()
    cam_file_seeds()
    text_seeds()
    device_path_seeds()
    sysfs_seeds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
