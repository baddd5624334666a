# SPDX-FileCopyrightText: The ptzdeck developers
# SPDX-License-Identifier: GPL-2.0-or-later

"""ptzdeck and Lumetra as the install step leaves them: the build installed
with `cmake --install` into a fresh directory (DESTDIR) under a prefix other
than the configured one, then judged as a desktop, another program and a user
would meet it. Nothing is written outside a temporary directory."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from installed import (BUILD_DIR, LIBDIR, SOVERSION, VERSION, InstalledLibraryChecks, InstalledProgramChecks,
                       png_size, read, run)
from session import Scenario

PREFIX = "/opt/ptzdeck"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
METAINFO = "share/metainfo/io.github.ptzdeck.ptzdeck.metainfo.xml"
# Where udev reads it, outside the prefix, or under it when configured so.
UDEV_RULES_DIR = os.environ["PTZDECK_UDEV_RULES_DIR"]
UDEV_RULE = os.path.join(UDEV_RULES_DIR if os.path.isabs(UDEV_RULES_DIR) else os.path.join(PREFIX, UDEV_RULES_DIR),
                         "70-ptzdeck-cameras.rules")[1:]
SYSUSERS_DIR = os.environ["PTZDECK_SYSUSERS_DIR"]
SYSUSERS = os.path.join(SYSUSERS_DIR if os.path.isabs(SYSUSERS_DIR) else os.path.join(PREFIX, SYSUSERS_DIR),
                        "ptzdeck-bridge.conf")[1:]

def install(destdir):
    """`cmake --install` of the build into destdir under PREFIX; returns the
    manifest's lines (paths as installed, without destdir). The build's own
    install_manifest.txt (a user's `make install`) is left as it was."""
    manifest = os.path.join(BUILD_DIR, "install_manifest.txt")
    saved = read(manifest, "rb") if os.path.exists(manifest) else None
    try:
        run("cmake", "--install", BUILD_DIR, "--prefix", PREFIX, env={**os.environ, "DESTDIR": destdir})
        with open(manifest) as f:
            return f.read().split()
    finally:
        if saved is None:
            os.remove(manifest)
        else:
            with open(manifest, "wb") as f:
                f.write(saved)


def files_under(top):
    """Every file and symbolic link under top, relative to it."""
    found = set()
    for directory, _, names in os.walk(top):
        found.update(os.path.relpath(os.path.join(directory, n), top) for n in names)
    return found


def setUpModule():
    global WORK, STAGE, ROOT, MANIFEST
    WORK = tempfile.mkdtemp(prefix="ptzdeck-install-")
    STAGE = os.path.join(WORK, "stage")
    ROOT = STAGE + PREFIX
    MANIFEST = install(STAGE)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


class InstalledTree(unittest.TestCase):
    maxDiff = None

    def test_every_file_in_its_place_and_nothing_else(self):
        lib = f"{PREFIX[1:]}/{LIBDIR}"
        expected = {
            f"{PREFIX[1:]}/bin/ptzdeck", f"{PREFIX[1:]}/bin/lumetra-cli",
            f"{lib}/ptzdeck/ptzdeck-panel.so",
            f"{lib}/libLumetra.so.{SOVERSION}", f"{lib}/libLumetra.so",
            f"{PREFIX[1:]}/include/lumetra/BaseDevice.h",
            f"{lib}/pkgconfig/lumetra.pc",
            f"{lib}/cmake/Lumetra/LumetraConfig.cmake", f"{lib}/cmake/Lumetra/LumetraConfigVersion.cmake",
            f"{lib}/cmake/Lumetra/LumetraTargets.cmake",
            f"{PREFIX[1:]}/share/applications/ptzdeck.desktop",
            f"{PREFIX[1:]}/{METAINFO}",
            f"{PREFIX[1:]}/share/dbus-1/interfaces/io.github.ptzdeck.Panel.xml",
            f"{PREFIX[1:]}/share/dbus-1/system.d/io.github.ptzdeck.Bridge.conf",
            f"{PREFIX[1:]}/share/man/man1/ptzdeck.1", f"{PREFIX[1:]}/share/man/man1/lumetra-cli.1",
            f"{PREFIX[1:]}/share/man/man1/ptzdeck-bridge.1",
            UDEV_RULE,
            f"{PREFIX[1:]}/bin/ptzdeck-bridge",
            f"{PREFIX[1:]}/lib/systemd/user/ptzdeck-bridge.service",
            f"{PREFIX[1:]}/lib/systemd/system/ptzdeck-bridge.service",
            SYSUSERS,
        } | {f"{PREFIX[1:]}/share/icons/hicolor/{n}x{n}/apps/ptzdeck.png" for n in ICON_SIZES}
        found = files_under(STAGE)
        # The imported target's per-configuration file is named after the build type.
        per_config = {f for f in found if f.startswith(f"{lib}/cmake/Lumetra/LumetraTargets-")}
        self.assertEqual(len(per_config), 1, per_config)
        self.assertEqual(found - per_config, expected)
        self.assertEqual(sorted(m[1:] for m in MANIFEST), sorted(found))

    def test_library_and_programs_link_by_soname_without_the_build_tree(self):
        lib = os.path.join(ROOT, LIBDIR)
        soname = f"libLumetra.so.{SOVERSION}"
        self.assertFalse(os.path.islink(os.path.join(lib, soname)))
        self.assertEqual(os.readlink(os.path.join(lib, "libLumetra.so")), soname)
        self.assertIn(f"Library soname: [{soname}]", run("readelf", "-d", os.path.join(lib, soname)))
        self.assertNotIn("RUNPATH", run("readelf", "-d", os.path.join(lib, soname)))
        # ptzdeck's panel is a module the program loads from the library
        # directory; the program alone, a command's client, links no Lumetra.
        for binary, runpath in (("bin/lumetra-cli", f"$ORIGIN/../{LIBDIR}"),
                                (f"{LIBDIR}/ptzdeck/ptzdeck-panel.so", "$ORIGIN/..")):
            dynamic = run("readelf", "-d", os.path.join(ROOT, binary))
            self.assertIn(f"Shared library: [{soname}]", dynamic, binary)
            # Found beside the program wherever the tree is, never in the build.
            self.assertIn(f"Library runpath: [{runpath}]", dynamic, binary)
            self.assertNotIn(BUILD_DIR, dynamic)
        program = run("readelf", "-d", os.path.join(ROOT, "bin", "ptzdeck"))
        self.assertNotIn(f"Shared library: [{soname}]", program)
        self.assertNotIn("libQt5", program)
        self.assertNotIn(BUILD_DIR, program)

    def test_icons_are_pngs_of_their_directory_size(self):
        for n in ICON_SIZES:
            path = os.path.join(ROOT, f"share/icons/hicolor/{n}x{n}/apps/ptzdeck.png")
            self.assertEqual(png_size(path), (n, n), path)

    def test_desktop_entry_and_metainfo_validate_and_name_what_is_installed(self):
        desktop = os.path.join(ROOT, "share/applications/ptzdeck.desktop")
        metainfo = os.path.join(ROOT, METAINFO)
        run("desktop-file-validate", desktop)
        run("appstreamcli", "validate", "--no-net", metainfo)
        entry = dict(line.split("=", 1) for line in read(desktop).splitlines() if "=" in line)
        self.assertTrue(os.access(os.path.join(ROOT, "bin", entry["Exec"].split()[0]), os.X_OK))
        self.assertEqual(entry["Icon"], "ptzdeck")
        self.assertIn("<launchable type=\"desktop-id\">ptzdeck.desktop</launchable>", read(metainfo))

    def test_manual_pages_format_cleanly_and_carry_the_version(self):
        for page in ("ptzdeck.1", "lumetra-cli.1", "ptzdeck-bridge.1"):
            path = os.path.join(ROOT, "share/man/man1", page)
            formatted = subprocess.run(["groff", "-man", "-ww", "-z", "-K", "utf8", path],
                                       capture_output=True, text=True)
            self.assertEqual((formatted.returncode, formatted.stderr), (0, ""), page)
            title = [line for line in read(path).splitlines() if line.startswith(".TH ")]
            self.assertEqual(len(title), 1, page)
            self.assertIn(f'"ptzdeck {VERSION}"', title[0], page)

    def test_pkg_config_file_names_the_prefix_installed_under(self):
        self.assertEqual(run("pkg-config", "--modversion", "lumetra", env=pkg_config_env()).strip(), VERSION)
        pc = read(os.path.join(ROOT, LIBDIR, "pkgconfig", "lumetra.pc"))
        self.assertIn(f"prefix={PREFIX}", pc.splitlines())


def pkg_config_env():
    # PKG_CONFIG_SYSROOT_DIR: the staged tree stands for the root directory.
    return {**os.environ, "PKG_CONFIG_LIBDIR": os.path.join(ROOT, LIBDIR, "pkgconfig"),
            "PKG_CONFIG_SYSROOT_DIR": STAGE}


class AnotherProgram(InstalledLibraryChecks, unittest.TestCase):
    """A program outside the tree, built against the installed library only."""

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="consumer-", dir=WORK)

    def test_built_with_pkg_config(self):
        program, flags = self.build_with_pkg_config(self.work, pkg_config_env())
        self.assertIn(f"-I{ROOT}/include", flags)
        self.check_lists_the_bus(program, self.work,
                                 {**os.environ, "LD_LIBRARY_PATH": os.path.join(ROOT, LIBDIR)})

    def test_built_with_find_package(self):
        program = self.build_with_find_package(self.work, f"-DCMAKE_PREFIX_PATH={ROOT}")
        # The imported target hands over the installed library, not the build's.
        self.assertIn(f"{ROOT}/{LIBDIR}/libLumetra.so.{SOVERSION}", run("ldd", program))
        self.check_lists_the_bus(program, self.work)


class InstalledPanel(InstalledProgramChecks, Scenario):
    def test_starts_from_the_prefix_with_everything_it_shows_inside(self):
        self.check_starts_with_everything_it_shows_inside(
            os.path.join(ROOT, "bin", "ptzdeck"), os.path.join(ROOT, LIBDIR, f"libLumetra.so.{SOVERSION}"))


class Uninstall(unittest.TestCase):
    def test_removing_the_manifest_leaves_no_file(self):
        destdir = tempfile.mkdtemp(prefix="again-", dir=WORK)
        manifest = install(destdir)
        self.assertTrue(files_under(destdir))
        # The manifest names the files as installed; staged, they are under destdir.
        listed = os.path.join(WORK, "staged-manifest.txt")
        with open(listed, "w") as f:
            f.write("".join(f"{destdir}{path}\n" for path in manifest))
        run("sh", "-c", f"xargs rm < '{listed}'")
        self.assertEqual(files_under(destdir), set())


if __name__ == "__main__":
    sys.exit(unittest.main())
