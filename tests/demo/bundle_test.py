#!/usr/bin/env python3
"""Checks of the assembled demo installer bundle.

  bundle_test.py contents|install --bundle DIR --zpack ZPACK --installer EXE
      --digest-probe EXE --digest-file FILE --module-source DIR --driver LIB

contents: every resource is there; each archive opens, lists and verifies
with zpack and holds what it should; the digest compiled into the installer
is the MD5 of the bundled fc.bin; the FileCopy inside fc.bin runs.

install: the bundled installer, walked through its pages on the offscreen
platform by the preloaded driver, installs the module for the current user
and for all users, refuses a damaged fc.bin, shows the no-plug-in page
without the plug-in and carries out the finishing actions.
"""
import argparse
import filecmp
import glob
import hashlib
import json
import os
import shutil
import stat
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET

ARGS = None
MODULE = "Driftwood.saver"


def run(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=300, **kw)


def zpack_list(archive):
    """[(size, stored, path)] of an archive, from `zpack list`."""
    out = run([ARGS.zpack, "list", archive])
    if out.returncode != 0:
        raise AssertionError(f"zpack list {archive} failed: {out.stderr}")
    entries = []
    for line in out.stdout.splitlines():
        parts = line.split(None, 3)
        entries.append((int(parts[1]), int(parts[2]), parts[3]))
    return entries


def extract(archive, dest):
    out = run([ARGS.zpack, "extract", archive, "-C", dest])
    if out.returncode != 0:
        raise AssertionError(f"zpack extract {archive} failed: {out.stderr}")


def tree(root):
    """{relative path: (bytes, executable)} of the files below root."""
    files = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                data = f.read()
            files[os.path.relpath(path, root)] = (data, bool(os.stat(path).st_mode & stat.S_IXUSR))
    return files


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    return struct.unpack(">II", head[16:24])


def tiff_size(path):
    """Width and height from the first directory of a TIFF file."""
    with open(path, "rb") as f:
        data = f.read()
    order = {b"II": "<", b"MM": ">"}.get(data[:2])
    assert order and struct.unpack(order + "H", data[2:4])[0] == 42, f"{path} is not a TIFF"
    (ifd,) = struct.unpack(order + "I", data[4:8])
    (count,) = struct.unpack(order + "H", data[ifd:ifd + 2])
    size = {}
    for i in range(count):
        tag, kind, _, value = struct.unpack(order + "HHII", data[ifd + 2 + 12 * i:ifd + 14 + 12 * i])
        if kind == 3:  # SHORT, left-justified in the value field
            value = struct.unpack(order + "H", data[ifd + 10 + 12 * i:ifd + 12 + 12 * i])[0]
        size[tag] = value
    return size[256], size[257]


class Contents(unittest.TestCase):
    """The bundle as assembled by the build."""

    def setUp(self):
        self.res = os.path.join(ARGS.bundle, "Resources")
        self.tmp = tempfile.mkdtemp(prefix="bundle-test-")
        self.addCleanup(shutil.rmtree, self.tmp)

    def test_every_resource_is_present(self):
        exe = os.path.join(ARGS.bundle, "installer")
        self.assertTrue(os.path.isfile(exe) and os.access(exe, os.X_OK), "installer not executable")
        for name in ["saver.bin", "bg.bin", "fc.bin", "installer.ui", "Localizable_en.qm",
                     "Localizable_ja.qm", "EULA.rtf", "Readme.rtf", "readme.rtf",
                     "myClickCursor.png", "flashBanner.png"]:
            with self.subTest(name=name):
                self.assertTrue(os.path.isfile(os.path.join(self.res, name)), name)
        # Both spellings reach one read-me.
        self.assertTrue(filecmp.cmp(os.path.join(self.res, "Readme.rtf"),
                                    os.path.join(self.res, "readme.rtf"), shallow=False))
        self.assertEqual(os.path.realpath(os.path.join(self.res, "readme.rtf")),
                         os.path.realpath(os.path.join(self.res, "Readme.rtf")))

    def test_documents_pictures_and_tables_are_what_their_names_say(self):
        for name in ["EULA.rtf", "Readme.rtf"]:
            with self.subTest(name=name), open(os.path.join(self.res, name), "rb") as f:
                self.assertTrue(f.read().startswith(b"{\\rtf1"))
        self.assertEqual(png_size(os.path.join(self.res, "myClickCursor.png")), (32, 32))
        self.assertEqual(png_size(os.path.join(self.res, "flashBanner.png")), (200, 80))
        self.assertEqual(ET.parse(os.path.join(self.res, "installer.ui")).getroot().tag, "ui")
        qm_magic = bytes.fromhex("3cb86418caef9c95cd211cbf60a1bddd")
        for name in ["Localizable_en.qm", "Localizable_ja.qm"]:
            with self.subTest(name=name), open(os.path.join(self.res, name), "rb") as f:
                self.assertEqual(f.read(16), qm_magic)

    def test_each_archive_opens_lists_and_verifies(self):
        expected = {
            "saver.bin": None,  # checked against the module below
            "bg.bin": [(".", "bg.tif")],
            "fc.bin": [(".", "FileCopy")],
        }
        for name, names in expected.items():
            with self.subTest(archive=name):
                path = os.path.join(self.res, name)
                with open(path, "rb") as f:
                    magic, version = struct.unpack(">4sI", f.read(8))
                self.assertEqual((magic, version), (b"ZPKm", 0x05071700))
                entries = zpack_list(path)
                self.assertTrue(entries)
                if names is not None:
                    self.assertEqual([os.path.split(p) for _, _, p in entries], names)
                verify = run([ARGS.zpack, "verify", path])
                self.assertEqual(verify.returncode, 0, verify.stdout + verify.stderr)

    def test_module_archive_holds_the_module_folder(self):
        entries = zpack_list(os.path.join(self.res, "saver.bin"))
        # The installer names the module folder after entry 0's first folder.
        self.assertTrue(entries[0][2].startswith(f"./{MODULE}/"), entries[0][2])
        for _, _, path in entries:
            self.assertTrue(path.startswith(f"./{MODULE}/"), path)
        extract(os.path.join(self.res, "saver.bin"), self.tmp)
        got = tree(os.path.join(self.tmp, MODULE))
        source = tree(ARGS.module_source)
        for rel, (data, executable) in source.items():
            with self.subTest(file=rel):
                self.assertIn(rel, got)
                self.assertEqual(got[rel], (data, executable))
        # The pictures drawn by the build join the source files.
        self.assertEqual(set(got) - set(source),
                         {"Contents/Resources/thumbnail.png", "Contents/Resources/textures/grain.png"})
        self.assertEqual([rel for rel, (_, x) in got.items() if x], ["Contents/Linux/driftwood"])
        sizes = sorted(len(data) for data, _ in got.values())
        self.assertTrue(sizes[0] < 300 and sizes[-1] > 30000, sizes)
        for rel in ["Contents/Info.plist", "Contents/version.plist"]:
            ET.fromstring(got[rel][0])

    def test_background_archive_holds_a_tiff_of_the_window_size(self):
        extract(os.path.join(self.res, "bg.bin"), self.tmp)
        self.assertEqual(tiff_size(os.path.join(self.tmp, "bg.tif")), (620, 440))

    def test_compiled_digest_is_md5_of_the_bundled_fc_bin(self):
        with open(os.path.join(self.res, "fc.bin"), "rb") as f:
            md5 = hashlib.md5(f.read()).hexdigest()
        probe = run([ARGS.digest_probe])
        self.assertEqual(probe.returncode, 0)
        self.assertEqual(probe.stdout.strip(), md5)
        with open(ARGS.digest_file) as f:
            self.assertEqual(f.read().split()[0], md5)
        # The bundled installer is the one built from that library.
        self.assertTrue(filecmp.cmp(ARGS.installer, os.path.join(ARGS.bundle, "installer"),
                                    shallow=False))

    def test_filecopy_from_fc_bin_is_executable_and_copies(self):
        extract(os.path.join(self.res, "fc.bin"), self.tmp)
        tool = os.path.join(self.tmp, "FileCopy")
        mode = os.stat(tool).st_mode
        self.assertTrue(mode & stat.S_IXUSR and mode & stat.S_IXGRP and mode & stat.S_IXOTH,
                        oct(mode))
        with open(tool, "rb") as f:
            self.assertEqual(f.read(4), b"\x7fELF")
        src = os.path.join(self.tmp, "src", "Name.saver")
        os.makedirs(os.path.join(src, "Contents"))
        with open(os.path.join(src, "Contents", "a.txt"), "w") as f:
            f.write("wave\n")
        dest = os.path.join(self.tmp, "Screen Savers", "Name.saver")
        out = run([tool, src, dest], env={})
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)
        self.assertEqual(tree(dest), tree(src))


class Install(unittest.TestCase):
    """Whole runs of the bundled installer in a private environment."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="bundle-install-")
        self.addCleanup(shutil.rmtree, self.root)
        self.data = os.path.join(self.root, "data")
        self.local = os.path.join(self.root, "local")
        self.config = os.path.join(self.root, "config")
        self.tmp = os.path.join(self.root, "tmp")
        self.bin = os.path.join(self.root, "bin")
        self.module = os.path.join(self.root, "module")
        for d in [self.data, self.local, self.config, self.tmp, self.bin, self.module]:
            os.makedirs(d)
        extract(os.path.join(ARGS.bundle, "Resources", "saver.bin"), self.module)

    def add_plugin(self):
        os.makedirs(os.path.join(self.local, "Internet Plug-Ins", "Flash Player.plugin"))

    def run_installer(self, bundle=None, choice="current", finish="untick"):
        report = os.path.join(self.root, "report")
        env = dict(os.environ,
                   QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=self.data,
                   XDG_DATA_DIRS=f"{self.local}:/usr/share", XDG_CONFIG_HOME=self.config,
                   TMPDIR=self.tmp, PATH=f"{self.bin}:{os.environ.get('PATH', '/usr/bin:/bin')}",
                   LD_PRELOAD=ARGS.driver, ZV_DRIVER_REPORT=report, ZV_DRIVER_CHOICE=choice,
                   ZV_DRIVER_FINISH=finish, ZV_DRIVER_TIMEOUT="120", LC_ALL="C.UTF-8")
        out = run([os.path.join(bundle or ARGS.bundle, "installer")], env=env)
        self.assertEqual(out.returncode, 0, out.stdout + out.stderr)
        with open(report) as f:
            facts = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.assertNotIn("error", facts)
        return facts

    def assert_installed(self, library):
        self.assertEqual(tree(os.path.join(library, "Screen Savers", MODULE)),
                         tree(os.path.join(self.module, MODULE)))

    def leftovers(self):
        """Whatever the installer left in the private temporary folder."""
        private = glob.glob(os.path.join(self.tmp, "zorvane-*"))
        return [name for p in private for name in os.listdir(p)]

    def test_install_for_current_user_and_for_all_users(self):
        cases = [("current", self.data), ("all", self.local)]
        self.add_plugin()
        for choice, library in cases:
            if choice == "all" and os.geteuid() != 0:
                continue  # would need the administrator prompt
            with self.subTest(choice=choice):
                facts = self.run_installer(choice=choice)
                self.assertEqual(facts["last"], "finished")
                self.assertEqual(facts["pages"],
                                 "welcome,agreement,choose-user,progress,finished")
                self.assert_installed(library)
                self.assertEqual(self.leftovers(), [])

    def test_damaged_fc_bin_is_refused_after_unpacking(self):
        self.add_plugin()
        bundle = os.path.join(self.root, "damaged", "Bundle")
        shutil.copytree(ARGS.bundle, bundle, symlinks=True)
        fc = os.path.join(bundle, "Resources", "fc.bin")
        with open(fc, "r+b") as f:
            f.seek(-1, os.SEEK_END)
            last = f.read(1)
            f.seek(-1, os.SEEK_END)
            f.write(bytes([last[0] ^ 0x01]))
        facts = self.run_installer(bundle=bundle)
        self.assertEqual(facts["last"], "not-finished")
        self.assertFalse(os.path.exists(os.path.join(self.data, "Screen Savers", MODULE)))
        self.assertEqual(self.leftovers(), [])

    def test_without_the_plugin_only_the_no_plugin_page_shows(self):
        facts = self.run_installer()
        self.assertEqual((facts["last"], facts["pages"]), ("no-plugin", "no-plugin"))
        self.assertFalse(os.path.exists(os.path.join(self.data, "Screen Savers")))

    def test_finishing_actions_set_the_saver_and_open_the_readme(self):
        self.add_plugin()
        log = os.path.join(self.root, "opened")
        opener = os.path.join(self.bin, "xdg-open")
        with open(opener, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{log}"\n')
        os.chmod(opener, 0o755)
        facts = self.run_installer(finish="keep")
        self.assertEqual(facts["last"], "finished")
        installed = os.path.join(self.data, "Screen Savers", MODULE)
        stores = glob.glob(os.path.join(self.config, "zorvane", "ByHost",
                                        "com.apple.screensaver.*.json"))
        self.assertEqual(len(stores), 1)
        with open(stores[0]) as f:
            prefs = json.load(f)
        self.assertEqual(prefs["moduleName"], "Driftwood")
        self.assertEqual(os.path.realpath(prefs["modulePath"]), os.path.realpath(installed))
        # The opener is started detached; give it a moment.
        opened = []
        for _ in range(100):
            if os.path.exists(log):
                with open(log) as f:
                    opened = f.read().splitlines()
                if len(opened) >= 2:
                    break
            time.sleep(0.05)
        readme = [p for p in opened if p.lower().endswith("readme.rtf")]
        self.assertEqual(len(readme), 1, opened)
        self.assertEqual(os.path.realpath(readme[0]),
                         os.path.realpath(os.path.join(ARGS.bundle, "Resources", "Readme.rtf")))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("suite", choices=["contents", "install"])
    for name in ["bundle", "zpack", "installer", "digest-probe", "digest-file", "module-source",
                 "driver"]:
        parser.add_argument("--" + name, required=True)
    ARGS = parser.parse_args()
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(
        Contents if ARGS.suite == "contents" else Install)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
