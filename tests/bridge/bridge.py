# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later
"""ptzdeck-bridge run for a test: a private simulated bus, a private
configuration on free loopback ports, its output, and VISCA clients of the
three framings. Everything waits on conditions with a deadline."""

import os
import random
import signal
import socket
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
SIMCAM = os.path.join(HERE, "..", "..", "scripts", "simcam")
DEADLINE = 30.0

sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from waiting import wait_until  # noqa: E402  (the e2e scenarios' wait, shared)


def hexes(text):
    return bytes.fromhex(text.replace(" ", ""))


def free_ports(count):
    """A first port of `count` free ones in a row, for each framing."""
    for _ in range(200):
        base = random.randrange(20000, 60000)
        sockets = []
        try:
            for port in range(base, base + count):
                for kind in (socket.SOCK_DGRAM, socket.SOCK_STREAM):
                    s = socket.socket(socket.AF_INET, kind)
                    sockets.append(s)
                    s.bind(("127.0.0.1", port))
            return base
        except OSError:
            continue
        finally:
            for s in sockets:
                s.close()
    raise AssertionError("no free loopback ports")


class Bridge:
    # `cameras`: (name, simcam model, .cam lines); the bus numbers them in the
    # byte order of their names, as the panel does.
    # `bus`: a simulated bus of the caller's; `env`: a D-Bus of the caller's
    # (else the bridge has none).
    def __init__(self, cameras=(("cam1", "ptz", ()),), config="", cameras_room=4, bus=None, env=None):
        self.dir = tempfile.mkdtemp(prefix="ptzdeck-bridge-test-")
        self.bus = bus or os.path.join(self.dir, "bus")
        os.makedirs(self.bus, exist_ok=True)
        self.home = os.path.join(self.dir, "config")
        for name, model, sets in cameras:
            self.plug(name, model, *sets)
        self.sony, self.raw, self.tcp = (free_ports(cameras_room) for _ in range(3))
        self.config = os.path.join(self.dir, "bridge.conf")
        with open(self.config, "w") as f:
            f.write(f"sony-port = {self.sony}\nraw-udp-port = {self.raw}\ntcp-port = {self.tcp}\n{config}")
        no_bus = f"unix:path={os.path.join(self.dir, 'no-bus')}"
        env = {**os.environ, "LUMETRA_SIM_DIR": self.bus, "XDG_CONFIG_HOME": self.home,
               "DBUS_SESSION_BUS_ADDRESS": no_bus, "DBUS_SYSTEM_BUS_ADDRESS": no_bus, **(env or {})}
        self.out, self.err = [], []
        self.process = subprocess.Popen([os.environ["PTZDECK_BRIDGE"], "--config", self.config], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        for stream, lines in ((self.process.stdout, self.out), (self.process.stderr, self.err)):
            threading.Thread(target=self._read, args=(stream, lines), daemon=True).start()
        self.clients = []

    @staticmethod
    def _read(stream, lines):
        for line in stream:
            lines.append(line.rstrip("\n"))

    def plug(self, name, model="ptz", *sets):
        args = [SIMCAM, "-b", self.bus, "plug", name, "--model", model]
        for s in sets:
            args += ["--set", s]
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL)

    def unplug(self, name):
        subprocess.run([SIMCAM, "-b", self.bus, "unplug", name], check=True, stdout=subprocess.DEVNULL)

    def wait_serving(self, number):
        return wait_until(lambda: [l for l in self.out if l.startswith(f"ptzdeck-bridge: camera {number} (")],
                          f"camera {number} served")

    def requests(self, camera=None, commands_only=True):
        try:
            with open(os.path.join(self.bus, "requests.log")) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        return [l for l in lines if (camera is None or l.split(" ")[0] == camera)
                and (not commands_only or " ks-set " in l or " set " in l)]

    def wait_requests(self, expected, camera="cam1"):
        """Waits until the camera received exactly `expected` (lines without
        the camera's name), and for a moment nothing more."""
        want = [f"{camera} {line}" for line in expected]
        wait_until(lambda: self.requests(camera) == want or len(self.requests(camera)) > len(want),
                   f"{camera} to receive {expected}")
        return self.requests(camera)

    def client(self, framing, camera=1, address="127.0.0.1"):
        c = Client(framing, {"sony": self.sony, "raw": self.raw, "tcp": self.tcp}[framing] + camera - 1, address)
        self.clients.append(c)
        return c

    def stop(self):
        for c in self.clients:
            c.close()
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()
        self.process.stderr.close()
        return self.process.returncode


class Client:
    """A VISCA client: `send` takes hex text; `receive` gives the replies
    (payloads, for Sony's framing: (type, sequence, payload))."""

    def __init__(self, framing, port, address="127.0.0.1"):
        self.framing = framing
        self.target = (address, port)
        if framing == "tcp":
            self.sock = socket.create_connection(self.target, timeout=DEADLINE)
            self.stream = b""
        else:
            self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            self.sock.bind(("127.0.0.1", 0))
            self.sock.settimeout(DEADLINE)

    def send(self, text):
        data = hexes(text)
        if self.framing == "tcp":
            self.sock.sendall(data)
        else:
            self.sock.sendto(data, self.target)

    def sony(self, kind, sequence, payload):
        self.send(f"{kind:04x}{len(hexes(payload)):04x}{sequence:08x}{payload.replace(' ', '')}")

    def receive(self, timeout=DEADLINE):
        self.sock.settimeout(timeout)
        if self.framing == "tcp":
            while b"\xff" not in self.stream:
                chunk = self.sock.recv(4096)
                if not chunk:
                    raise AssertionError("the bridge closed the connection")
                self.stream += chunk
            end = self.stream.index(b"\xff") + 1
            reply, self.stream = self.stream[:end], self.stream[end:]
            return reply.hex()
        data, sender = self.sock.recvfrom(4096)
        assert sender == self.target, f"a reply from {sender}, not from the port asked"
        if self.framing == "sony":
            return (int.from_bytes(data[0:2], "big"), int.from_bytes(data[4:8], "big"), data[8:].hex())
        return data.hex()

    def silent(self, seconds=0.3):
        """True when nothing arrives for a while (used only after something
        that would have been answered at once)."""
        try:
            self.receive(seconds)
            return False
        except (socket.timeout, TimeoutError):
            return True

    def close(self):
        self.sock.close()
