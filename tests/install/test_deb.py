# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""The Debian packages as a user meets them (make test-deb): lintian finds no
error; apt-get installs them; their files are where Debian looks and their
dependencies were computed; a program outside the tree builds against the
installed library; /usr/bin/ptzdeck starts on a simulated bus under Xvfb;
the bridge's units are installed off and the system unit's user is made;
purging them leaves nothing behind. Installing needs root (or sudo without a
password); without it only lintian runs."""

import glob
import os
import subprocess
import sys
import tempfile
import unittest

from installed import SOVERSION, VERSION, InstalledLibraryChecks, InstalledProgramChecks, run
from session import Scenario

DEB_DIR = os.environ["PTZDECK_DEB_DIR"]
PACKAGES = ("ptzdeck", f"liblumetra{SOVERSION}", "liblumetra-dev")
MULTIARCH = run("dpkg-architecture", "-qDEB_HOST_MULTIARCH").strip()
LOCK = ("-o", "DPkg::Lock::Timeout=600")


def package_file(name):
    found = glob.glob(os.path.join(DEB_DIR, f"{name}_{VERSION}_*.deb"))
    if len(found) != 1:
        raise AssertionError(f"expected one {name} package of version {VERSION} in {DEB_DIR}, found {found}")
    return found[0]


def contents(deb):
    """The paths a package puts on the system, directories included."""
    paths = []
    for line in run("dpkg-deb", "-c", deb).splitlines():
        # drwxr-xr-x root/root 0 2024-01-01 00:00 ./usr/bin/  (links: NAME -> TARGET)
        name = line.split(None, 5)[5].split(" -> ")[0]
        paths.append(os.path.normpath("/" + name[2:] if name.startswith("./") else name))
    return [p for p in paths if p != "/"]


def named_after_us():
    """Paths in the system's directories named after the program or the
    library: what maintainer scripts or triggers might leave. Temporary
    directories are left out: other programs' tests use them."""
    found = subprocess.run(
        ["find", "/usr", "/etc", "/var", "/opt", "-xdev", "(", "-path", "/var/tmp", "-o", "-path", "/var/cache/apt",
         ")", "-prune", "-o", "(", "-iname", "*ptzdeck*", "-o", "-iname", "*lumetra*", ")", "-print"],
        capture_output=True, text=True)
    return set(found.stdout.split("\n")) - {""}


def installed(package):
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, text=True)
    return status.returncode == 0 and status.stdout.endswith(" installed")


class Lintian(unittest.TestCase):
    def test_no_errors(self):
        changes = glob.glob(os.path.join(DEB_DIR, f"ptzdeck_{VERSION}_*.changes"))
        self.assertEqual(len(changes), 1, changes)
        done = subprocess.run(["lintian", "--fail-on", "error", changes[0]], capture_output=True, text=True)
        print(f"\nlintian {os.path.basename(changes[0])}:\n{done.stdout}{done.stderr}", end="")
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)


class InstallRunPurge(InstalledLibraryChecks, InstalledProgramChecks, Scenario):
    def test_installed_packages_work_and_purge_leaves_nothing(self):
        if os.geteuid() == 0:
            sudo = []
        elif subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode == 0:
            sudo = ["sudo", "-n"]
        else:
            self.skipTest("SKIPPED: installing packages needs root or sudo without a password")
        already = [p for p in PACKAGES if installed(p)]
        if already:
            self.fail(f"{already} already installed: purge them first (this check removes what it installs)")

        debs = {p: package_file(p) for p in PACKAGES}
        shipped = sorted({path for deb in debs.values() for path in contents(deb)})
        existed = {p for p in shipped if os.path.lexists(p)}
        ours_before = named_after_us()
        try:
            run(*sudo, "apt-get", "install", *LOCK, "-y", "--no-install-recommends", *debs.values(),
                env={**os.environ, "DEBIAN_FRONTEND": "noninteractive"})
            self.check_files_and_dependencies(debs)
            self.check_the_bridge_units_are_off_and_the_system_units_user_made()
            with tempfile.TemporaryDirectory(prefix="consumer-") as work:
                os.mkdir(os.path.join(work, "a"))
                program, _ = self.build_with_pkg_config(os.path.join(work, "a"), os.environ)
                self.check_lists_the_bus(program, os.path.join(work, "a"))
                os.mkdir(os.path.join(work, "b"))
                program = self.build_with_find_package(os.path.join(work, "b"))
                self.check_lists_the_bus(program, os.path.join(work, "b"))
            self.check_starts_with_everything_it_shows_inside(
                "/usr/bin/ptzdeck", f"/usr/lib/{MULTIARCH}/libLumetra.so.{SOVERSION}")
        finally:
            run(*sudo, "apt-get", "purge", *LOCK, "-y", *PACKAGES,
                env={**os.environ, "DEBIAN_FRONTEND": "noninteractive"})
        self.assertEqual([p for p in PACKAGES if installed(p)], [])
        self.assertEqual([p for p in shipped if p not in existed and os.path.lexists(p)], [],
                         "left behind after the purge")
        self.assertEqual(sorted(named_after_us() - ours_before), [], "left behind after the purge")

    def check_the_bridge_units_are_off_and_the_system_units_user_made(self):
        self.assertIn("video", run("id", "-nG", "ptzdeck-bridge").split())
        self.assertEqual(run("getent", "passwd", "ptzdeck-bridge").split(":")[5], "/var/lib/ptzdeck-bridge")
        enabled = subprocess.run(["find", "/etc/systemd", "-name", "ptzdeck-bridge.service"], capture_output=True,
                                 text=True).stdout
        self.assertEqual(enabled, "", "a bridge unit enabled by the installation")

    def check_files_and_dependencies(self, debs):
        files = run("dpkg", "-L", "ptzdeck").split()
        for path in ("/usr/bin/ptzdeck", "/usr/bin/lumetra-cli", "/lib/udev/rules.d/70-ptzdeck-cameras.rules",
                     "/usr/share/applications/ptzdeck.desktop", "/usr/share/icons/hicolor/256x256/apps/ptzdeck.png",
                     "/usr/share/metainfo/io.github.ptzdeck.ptzdeck.metainfo.xml",
                     "/usr/share/man/man1/ptzdeck.1.gz", "/usr/share/man/man1/lumetra-cli.1.gz",
                     "/usr/share/man/man1/ptzdeck-bridge.1.gz",
                     f"/usr/lib/{MULTIARCH}/ptzdeck/ptzdeck-panel.so",
                     "/usr/share/dbus-1/interfaces/io.github.ptzdeck.Panel.xml",
                     "/usr/share/dbus-1/system.d/io.github.ptzdeck.Bridge.conf"):
            self.assertIn(path, files)
        run("desktop-file-validate", "/usr/share/applications/ptzdeck.desktop")
        # Computed from what the programs link: the library at the version
        # built, and Qt.
        depends = run("dpkg-deb", "-f", debs["ptzdeck"], "Depends")
        self.assertIn(f"liblumetra{SOVERSION} (>= {VERSION})", depends)
        self.assertIn("libqt5widgets5", depends)
        self.assertIn("libdbus-1-3", depends)
        self.assertIn(f"liblumetra{SOVERSION} (= {VERSION})", run("dpkg-deb", "-f", debs["liblumetra-dev"], "Depends"))


if __name__ == "__main__":
    sys.exit(unittest.main())
