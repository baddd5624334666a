# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later
"""ptzdeck-bridge from outside, as a VISCA client and the camera see it:
the bytes each client gets back and the requests the simulated camera
receives (requests.log). Loopback only."""

import json
import os
import socket
import time
import unittest

from bridge import Bridge, Client, free_ports, wait_until

REPLY, CONTROL_REPLY = 0x0111, 0x0201

# What the supported camera receives (requests.log, without its name).
def cc(prop, value, flags=0x10):
    return f"ks-set camera-control {prop} value1={value} value2=0 flags=0x{flags:x} len=40"

PAN_STOP, TILT_STOP, ZOOM_STOP, FOCUS_STOP = cc(10, 0), cc(11, 0), cc(13, 0), cc(16, 0)
HOME = cc(2, 8)


class BridgeCase(unittest.TestCase):
    def start(self, **kwargs):
        bridge = Bridge(**kwargs)
        self.addCleanup(self.finish, bridge)
        return bridge

    def finish(self, bridge):
        code = bridge.stop()
        if code != 0:
            raise AssertionError(f"ptzdeck-bridge ended with {code}: {bridge.err[-20:]}")


class ClientSequences(BridgeCase):
    """Byte sequences real clients send, taken from their source."""

    def test_obs_ptz_connect_zero_speeds_and_stop(self):
        # glikely/obs-ptz: src/ptz-visca-udp.cpp (protocol_reset sends RESET
        # 02 00 00 01 00 00 00 00 01; the header's second byte is 10 for an
        # inquiry) and src/ptz-visca.cpp (cmd_get_camera_info: the version
        # inquiry twice, the pan-tilt position, the block inquiries 7E 7E;
        # VISCA_PanTilt_drive 81 01 06 01 VV WW XX YY FF, stop 00 00 03 03).
        bridge = self.start()
        bridge.wait_serving(1)
        obs = bridge.client("sony")
        steps = [
            ("020000010000000001", [(CONTROL_REPLY, 0, "01")]),
            ("0110000500000001 81090002ff", [(REPLY, 1, "90500000000001" "0002ff")]),
            ("0110000500000002 81090002ff", [(REPLY, 2, "9050000000000100" "02ff")]),
            # A supported camera has no absolute position to tell.
            ("0110000500000003 81090612ff", [(REPLY, 3, "906041ff")]),
            ("0110000600000004 81097e7e00ff", [(REPLY, 4, "906002ff")]),
            # Pan left at 08 with tilt speed 00 and tilt stopped, then stop with 00 00.
            ("0100000900000005 8101060108000103ff", [(REPLY, 5, "9041ff"), (REPLY, 5, "9051ff")]),
            ("0100000900000006 8101060100000303ff", [(REPLY, 6, "9041ff"), (REPLY, 6, "9051ff")]),
        ]
        for sent, expected in steps:
            obs.send(sent)
            self.assertEqual([obs.receive() for _ in expected], expected, sent)
        self.assertEqual(bridge.wait_requests([cc(10, -7), TILT_STOP, PAN_STOP, TILT_STOP]),
                         [f"cam1 {l}" for l in (cc(10, -7), TILT_STOP, PAN_STOP, TILT_STOP)])

    def test_companion_sony_replies_match_by_sequence(self):
        # bitfocus/companion-module-sony-visca: src/visca.js (RESET
        # 020000010000000001 on connect; header 01 00 / 01 10, length,
        # packetCounter from 1; replies matched by the sequence number).
        bridge = self.start()
        bridge.wait_serving(1)
        companion = bridge.client("sony")
        companion.send("020000010000000001")
        self.assertEqual(companion.receive(), (CONTROL_REPLY, 0, "01"))
        companion.sony(0x0100, 1, "8101040702ff")  # zoom tele
        companion.sony(0x0100, 2, "8101040700ff")  # zoom stop
        companion.sony(0x0110, 3, "81090438ff")    # focus mode
        replies = {}
        for _ in range(5):
            kind, sequence, payload = companion.receive()
            self.assertEqual(kind, REPLY)
            replies.setdefault(sequence, []).append(payload)
        for sequence in (1, 2):
            ack, completion = replies[sequence]
            self.assertRegex(ack, "^904[12]ff$")
            self.assertEqual(completion, "905" + ack[3] + "ff", f"completion on the ACK's socket, seq {sequence}")
        self.assertEqual(replies[3], ["905002ff"])  # automatic
        bridge.wait_requests([cc(13, 1), ZOOM_STOP])
        self.assertEqual(bridge.requests("cam1"), [f"cam1 {cc(13, 1)}", f"cam1 {ZOOM_STOP}"])

    def test_companion_ptzoptics_tcp_replies_in_order(self):
        # bitfocus/companion-module-ptzoptics-visca: src/camera/pan-tilt.ts
        # (81 01 06 01 pan tilt dir dir FF, home 81 01 06 04 FF) and
        # src/visca/__tests__/camera-interactions/bytes.ts (power on, preset
        # recall 81 01 04 3F 02 pp FF). It sends a command once the last is
        # ACKed and closes the connection on any reply out of order.
        bridge = self.start()
        bridge.wait_serving(1)
        ptz = bridge.client("tcp")
        commands = ["8101040002ff", "81010604ff", "8101043f0203ff", "8101060118140201ff", "8101060100000303ff"]
        outstanding, completed = {}, []
        for index, command in enumerate(commands):
            half = len(command) // 2 // 2 * 2
            ptz.send(command[:half])  # a stream cut anywhere
            ptz.send(command[half:])
            while True:
                reply = ptz.receive()
                if reply[2] == "4":  # ACK on socket y
                    self.assertNotIn(reply[3], outstanding, "an ACK on a busy socket")
                    outstanding[reply[3]] = index
                    break
                self.assertEqual(reply[2], "5", reply)
                completed.append(outstanding.pop(reply[3]))
        while outstanding:
            reply = ptz.receive()
            self.assertEqual(reply[2], "5", reply)
            completed.append(outstanding.pop(reply[3]))
        self.assertEqual(completed, list(range(len(commands))), "completions in the order of the commands")
        expected = [HOME, cc(2, 103, 0), cc(10, 21), cc(11, 14), PAN_STOP, TILT_STOP]
        self.assertEqual(bridge.wait_requests(expected), [f"cam1 {l}" for l in expected])


class Framings(BridgeCase):
    def test_each_reply_in_its_framing_to_its_sender_only(self):
        bridge = self.start()
        bridge.wait_serving(1)
        cases = [
            (bridge.client("sony"), lambda c: c.sony(0x0100, 9, "81010604ff"), [(REPLY, 9, "9041ff"), (REPLY, 9, "9051ff")]),
            (Client("raw", bridge.sony), lambda c: c.send("81010604ff"), ["9041ff", "9051ff"]),  # headerless, Sony port
            (bridge.client("raw"), lambda c: c.send("81010604ff"), ["9041ff", "9051ff"]),
            (bridge.client("tcp"), lambda c: c.send("81010604ff"), ["9041ff", "9051ff"]),
        ]
        # The Sony client resets first, with a sequence of its own, and waits for the answer.
        cases[0][0].sony(0x0200, 0x1234, "01")
        self.assertEqual(cases[0][0].receive(), (CONTROL_REPLY, 0x1234, "01"))
        for client, send, expected in cases:
            send(client)
            self.assertEqual([client.receive() for _ in expected], expected)
        # No one got another's replies: each one's next reply is its own.
        for client, _, expected in cases:
            if client.framing == "sony":
                client.sony(0x0110, 10, "81090400ff")
                self.assertEqual(client.receive(), (REPLY, 10, "905002ff"))
            else:
                client.send("81090400ff")
                self.assertEqual(client.receive(), "905002ff")
            client.close()
        self.assertEqual(bridge.wait_requests([HOME] * 4), [f"cam1 {HOME}"] * 4)

    def test_speeds_map_onto_the_cameras(self):
        bridge = self.start()
        bridge.wait_serving(1)
        client = bridge.client("raw")
        table = [  # pan speed, tilt speed, directions -> what the camera receives
            ("18", "14", "0201", [cc(10, 21), cc(11, 14)]),
            ("01", "01", "0102", [cc(10, -1), cc(11, -1)]),
            ("00", "00", "0201", [cc(10, 1), cc(11, 1)]),       # 00 moves at the slowest
            ("08", "0a", "0101", [cc(10, -7), cc(11, 7)]),
            ("7f", "7f", "0203", [cc(10, 21), TILT_STOP]),      # beyond the top: the top
        ]
        expected = []
        for pan, tilt, directions, requests in table:
            client.send(f"81010601{pan}{tilt}{directions}ff")
            self.assertEqual([client.receive(), client.receive()], ["9041ff", "9051ff"])
            expected += requests
        self.assertEqual(bridge.wait_requests(expected), [f"cam1 {l}" for l in expected])


class Refusals(BridgeCase):
    def test_what_is_refused_dropped_or_not_executable(self):
        bridge = self.start(cameras=(("cam1", "ptz", ()), ("refuser", "ptz", ("fault.camera-control.2=ks-set,refused",))))
        bridge.wait_serving(1)
        bridge.wait_serving(2)
        sony = bridge.client("sony")
        raw = bridge.client("raw")
        cases = [  # client, bytes, replies (None: dropped)
            (sony, "0100000600000001 81010604ff", None),                  # length says 6, carries 5
            (sony, "0100000400000002 81010604ff", None),                  # length says 4
            (sony, "0120000500000003 0102030405", [(CONTROL_REPLY, 3, "0f02")]),  # device setting
            (sony, "0200000200000004 0101", [(CONTROL_REPLY, 4, "0f02")]),
            (sony, "0111000300000005 9041ff", None),                     # another device's replies
            (sony, "0201000100000006 01", None),
            (raw, "906002ff", []),
            (raw, "8101060602ff", ["906041ff"]),                         # the camera's menu
            (raw, "81017e01030000ff", ["906041ff"]),                     # network and system settings
            (raw, "8101040003ff", ["906041ff"]),                         # power off
            (raw, "8101043900ff", ["906002ff"]),                         # a command it lacks
            (raw, "010203", ["906002ff"]),                               # not VISCA
            (raw, "8101060418", ["906002ff"]),                           # cut short
            (raw, "8101043f0232ff", ["9041ff", "906141ff"]),             # preset 50: the codes overlap from 40
        ]
        for client, sent, expected in cases:
            client.send(sent)
            if expected == []:
                client.send("81090400ff")
                self.assertEqual(client.receive(), "905002ff", sent)
            elif expected is None:
                # Nothing for it: the next reply is the probe's.
                client.sony(0x0110, 99, "81090400ff")
                self.assertEqual(client.receive(), (REPLY, 99, "905002ff"), sent)
            else:
                self.assertEqual([client.receive() for _ in expected], expected, sent)
        refusing = Client("raw", bridge.raw + 1)
        self.addCleanup(refusing.close)
        refusing.send("81010604ff")
        self.assertEqual([refusing.receive(), refusing.receive()], ["9041ff", "906141ff"], "never a Completion")
        bridge.wait_requests([HOME], camera="refuser")
        self.assertEqual(bridge.requests("cam1"), [], "nothing refused reached the camera")

    def test_allow_list_rate_and_client_bound(self):
        bridge = self.start(config="allow = 127.0.0.2/32\nrate = 5\nclients = 2\n")
        bridge.wait_serving(1)
        stranger = bridge.client("raw")                       # from 127.0.0.1
        friend = Client("raw", bridge.raw)
        friend.sock.close()
        friend.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        friend.sock.bind(("127.0.0.2", 0))
        self.addCleanup(friend.close)
        stranger.send("81010604ff")
        friend.send("81010604ff")
        self.assertEqual([friend.receive(), friend.receive()], ["9041ff", "9051ff"])
        stranger.sock.setblocking(False)
        with self.assertRaises(BlockingIOError, msg="a client outside the allowed networks is answered"):
            stranger.sock.recv(100)
        self.assertEqual(bridge.wait_requests([HOME]), [f"cam1 {HOME}"])
        # A burst beyond the rate: the camera's "buffer full" for the rest.
        for _ in range(20):
            friend.send("81090400ff")
        replies = [friend.receive() for _ in range(20)]
        answered = replies.count("905002ff")
        self.assertEqual(answered + replies.count("906003ff"), 20, replies)
        self.assertTrue(3 <= answered <= 6, f"{answered} of 20 answered at 5 a second")
        # TCP from the stranger is closed; a third client beyond the bound too.
        for address in ("127.0.0.1", None):
            s = socket.socket()
            if address is None:
                s.bind(("127.0.0.2", 0))
            s.settimeout(30)
            s.connect(("127.0.0.1", bridge.tcp))
            self.addCleanup(s.close)
            if address is None:
                keep = [s]
                for _ in range(2):
                    extra = socket.socket()
                    extra.bind(("127.0.0.2", 0))
                    extra.connect(("127.0.0.1", bridge.tcp))
                    self.addCleanup(extra.close)
                    keep.append(extra)
                s = keep[-1]
            try:
                self.assertEqual(s.recv(10), b"", "the connection is closed")
            except ConnectionResetError:
                pass


class Timing(BridgeCase):
    def test_a_slow_camera_delays_no_other_reply(self):
        bridge = self.start(cameras=(("aslow", "ptz", ("delay=3000",)), ("cam2", "ptz", ())))
        bridge.wait_serving(1)
        bridge.wait_serving(2)
        slow, other, fast = bridge.client("raw", 1), bridge.client("raw", 1), bridge.client("raw", 2)
        slow.send("81010604ff")
        self.assertEqual(slow.receive(), "9041ff", "ACK at once")
        other.send("8101043f0203ff")
        self.assertEqual(other.receive(), "9041ff", "the next client's ACK at once, behind a slow request")
        fast.send("81010604ff")
        self.assertEqual([fast.receive(), fast.receive()], ["9041ff", "9051ff"])
        # The other camera was done while the slow one still worked.
        slow.sock.setblocking(False)
        with self.assertRaises(BlockingIOError):
            slow.sock.recv(100)
        slow.sock.setblocking(True)
        self.assertEqual(slow.receive(), "9051ff")
        self.assertEqual(other.receive(), "9051ff")
        bridge.wait_requests([HOME, cc(2, 103, 0)], camera="aslow")

    def test_moves_stop_after_the_longest_move_and_when_tcp_goes(self):
        bridge = self.start(config="longest-move = 1\n")
        bridge.wait_serving(1)
        client = bridge.client("raw")
        client.send("8101060118140301ff")  # up
        self.assertEqual([client.receive(), client.receive()], ["9041ff", "9051ff"])
        stops = [PAN_STOP, TILT_STOP, ZOOM_STOP, FOCUS_STOP]
        self.assertEqual(bridge.wait_requests([PAN_STOP, cc(11, 14)] + stops),
                         [f"cam1 {l}" for l in [PAN_STOP, cc(11, 14)] + stops])
        tcp = bridge.client("tcp")
        tcp.send("8101040702ff")  # zoom tele
        self.assertEqual([tcp.receive(), tcp.receive()], ["9041ff", "9051ff"])
        tcp.close()
        expected = [PAN_STOP, cc(11, 14)] + stops + [cc(13, 1)] + stops
        self.assertEqual(bridge.wait_requests(expected), [f"cam1 {l}" for l in expected])


class Service(BridgeCase):
    def test_bad_lines_and_a_taken_port_leave_the_rest_serving(self):
        holder = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(holder.close)
        # Camera 1's Sony port taken by someone else before the bridge starts.
        base = free_ports(4)
        holder.bind(("127.0.0.1", base))
        bridge = self.start(cameras=(("cam1", "ptz", ()), ("cam2", "ptz", ())),
                            config=f"sony-port = {base}\nspeed = fast\nclients = 0\n")
        bridge.wait_serving(2)
        # The port is said last, after the lines read before anything opens.
        wait_until(lambda: [l for l in bridge.err if l.startswith(
            f"ptzdeck-bridge: camera 1: Sony UDP port 127.0.0.1:{base} cannot be opened:")], "the taken port said")
        self.assertIn("ptzdeck-bridge: bridge.conf:5: unknown key \"speed\"; the line is ignored", bridge.err)
        self.assertIn("ptzdeck-bridge: bridge.conf:6: \"0\" is not a number from 1 to 64; the line is ignored",
                      bridge.err)
        camera2 = Client("sony", base + 1)
        self.addCleanup(camera2.close)
        camera2.sony(0x0110, 5, "81090400ff")
        self.assertEqual(camera2.receive(), (REPLY, 5, "905002ff"))
        raw1 = bridge.client("raw", 1)
        raw1.send("81010604ff")
        self.assertEqual([raw1.receive(), raw1.receive()], ["9041ff", "9051ff"])

    def test_cameras_follow_hot_plug_in_the_panels_order(self):
        bridge = self.start()
        bridge.wait_serving(1)
        bridge.plug("cam2")
        bridge.wait_serving(2)
        bridge.unplug("cam1")
        wait_until(lambda: "ptzdeck-bridge: camera 2 gone" in bridge.out, "camera 2's ports closed")
        wait_until(lambda: any("camera 1 (PTZ Camera cam2)" in l for l in bridge.out), "cam2 served as camera 1")
        client = bridge.client("raw", 1)
        client.send("81010604ff")
        self.assertEqual([client.receive(), client.receive()], ["9041ff", "9051ff"])
        self.assertEqual(bridge.wait_requests([HOME], camera="cam2"), [f"cam2 {HOME}"])

    def test_generic_camera_presets_are_the_panels(self):
        bridge = self.start(cameras=(("gen", "generic-absolute", ("camera-control.0=-612000,612000,1,0,0",)),))
        bridge.wait_serving(1)
        client = bridge.client("raw")
        for sent in ("810106021814" "00000100" "00000000" "ff",  # absolute pan 16 (steps of 250 arc seconds)
                     "8101043f0103ff",                          # store preset 3
                     "810106021814" "0f0f0f00" "00000000" "ff",  # absolute pan -16
                     "8101043f0203ff"):                         # recall 3
            client.send(sent)
            self.assertEqual([client.receive(), client.receive()], ["9041ff", "9051ff"], sent)
        with open(os.path.join(bridge.home, "ptzdeck", "presets.json")) as f:
            presets = json.load(f)
        stored = [c["presets"]["3"] for c in presets["cameras"].values()]
        self.assertEqual(len(stored), 1)
        self.assertEqual(stored[0]["pan"], 16 * 250)
        pans = [l.split()[4] for l in bridge.requests("gen") if " camera-control 0 " in l]
        self.assertEqual(pans, ["value1=4000", "value1=-4000", "value1=4000"])


if __name__ == "__main__":
    unittest.main()
