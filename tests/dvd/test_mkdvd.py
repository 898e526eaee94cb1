#!/usr/bin/env python3
"""The DVD-authoring tool: what the image holds, byte for byte, and that the
same description gives the same bytes on every run."""
import importlib.machinery
import os
import random
import subprocess
import sys
import tempfile
import types
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MKDVD = os.path.join(ROOT, "tools", "mkdvd")

DESCRIPTION = """\
[dvd]
product = KESTRA
date = 2024-04-01 09:00:03

[inf:Products]
Version = 2.1.0.1
Release = 2024年4月版

[inf:Setup]
InstallDiskName = KESTRA_DVD

[group1]
name = KESTRA
dir = <INSTALLDIR>
files = KESTRA.EXE

[group2]
name = MANUAL
dir = <INSTALLDIR>MANUAL\\
files = MANUAL\\利用ガイド.PDF

[group3]
name = LIB_NTI31
dir = LIB\\_NTI31\\BIN\\
files = LIB\\NTISRCH.DLL
        LIB\\ソフト表.DAT

[group4]
name = COM\\FOXIT
dir = COM\\
files = COM\\FoxitReader_AX_Std.ocx

[docs]
source = docs
collcopy = auto
lz = KSCOLL1\\WORDS.IDX

[copy]
KESTRA\\Upgrade\\SyncFile = sync

[lz]
Upgrade\\RIROVE._XE = tools/RIRove.exe
"""

PRODUCT_FILES = {
    "KESTRA.EXE": b"MZ viewer" * 50,
    "MANUAL/利用ガイド.PDF": b"%PDF-1.4 guide",
    "LIB/NTISRCH.DLL": bytes(range(256)) * 8,
    "LIB/ソフト表.DAT": b"dictionary",
    "COM/FoxitReader_AX_Std.ocx": b"MZ control",
    "docs/KSCOLL.INF": b"[CollectionVersion]\r\nVersion=5\r\n",
    "docs/KSCOLL1/WORDS.IDX": b"words words words, more words" * 20,
    "docs/KSCOLL1/parts/.keep": b"",
    "docs/KSCOLL1/A.DAT": b"a",
    "sync/SyncFile.inf": b"[SyncFile]\r\n",
    "tools/RIRove.exe": b"tool bytes " * 30 + b"end",
}


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def tree(folder):
    """{relative path: bytes} of every file below folder."""
    files = {}
    for parent, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(parent, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


def lz_expand(data):
    """Expands SZDD data the way the Windows LZ functions do (LZSS, 4 KiB
    window filled with blanks, first write at 4096 - 16)."""
    assert data[:8] == b"SZDD\x88\xf0\x27\x33" and data[8:9] == b"A"
    size = int.from_bytes(data[10:14], "little")
    window, pos, at, out = bytearray(b" " * 4096), 4096 - 16, 14, bytearray()
    while at < len(data):
        flags = data[at]
        at += 1
        for bit in range(8):
            if at >= len(data):
                break
            if flags & (1 << bit):
                byte = data[at]
                at += 1
                out.append(byte)
                window[pos] = byte
                pos = (pos + 1) & 0xFFF
            else:
                lo, hi = data[at], data[at + 1]
                at += 2
                offset, length = lo | ((hi & 0xF0) << 4), (hi & 0x0F) + 3
                for i in range(length):
                    byte = window[(offset + i) & 0xFFF]
                    out.append(byte)
                    window[pos] = byte
                    pos = (pos + 1) & 0xFFF
    assert len(out) == size
    return bytes(out)


class MkdvdTest(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.dir = self.temp.name
        self.product = os.path.join(self.dir, "product")
        for name, data in PRODUCT_FILES.items():
            write(os.path.join(self.product, name), data)
        self.dist = os.path.join(self.dir, "dist")
        write(os.path.join(self.dist, "SETUP.EXE"), b"MZ setup")
        write(os.path.join(self.dist, "EZip.dll"), b"MZ ezip")
        write(os.path.join(self.dist, "DIRPICK.EXE"), b"MZ dirpick")
        self.description = os.path.join(self.dir, "dvd.ini")
        write(self.description, DESCRIPTION.encode("utf-8"))

    def tearDown(self):
        self.temp.cleanup()

    def run_mkdvd(self, out, description=None, *extra):
        return subprocess.run(
            [sys.executable, MKDVD, description or self.description, "--product", self.product,
             "--out", out, "--dist", self.dist, *extra],
            capture_output=True, text=True)

    def author(self, name="dvd"):
        out = os.path.join(self.dir, name)
        result = self.run_mkdvd(out)
        self.assertEqual(result.returncode, 0, result.stderr)
        return out

    def test_two_runs_give_the_same_bytes(self):
        first = tree(self.author("one"))
        second = tree(self.author("two"))
        self.assertEqual(first, second)
        # And a run over an earlier image replaces it with the same bytes.
        again = tree(self.author("one"))
        self.assertEqual(first, again)

    def test_image_holds_the_programs_setup_inf_script_and_places(self):
        files = tree(self.author())
        self.assertEqual(sorted(files), sorted([
            "SETUP.EXE", "DIRPICK.EXE", "EZip.dll", "SETUP.INF", "COLLCOPY.INF",
            "KESTRA/SETUP_F.INI", "KESTRA/SETUP_F.EZP",
            "DOCS/KSCOLL.INF", "DOCS/KSCOLL1/WORDS.ID_", "DOCS/KSCOLL1/A.DAT",
            "DOCS/KSCOLL1/parts/.keep",
            "KESTRA/Upgrade/SyncFile/SyncFile.inf", "Upgrade/RIROVE._XE"]))
        self.assertEqual(files["SETUP.EXE"], b"MZ setup")
        self.assertEqual(files["EZip.dll"], b"MZ ezip")
        self.assertEqual(files["DIRPICK.EXE"], b"MZ dirpick")
        self.assertEqual(files["DOCS/KSCOLL.INF"], PRODUCT_FILES["docs/KSCOLL.INF"])
        self.assertEqual(files["KESTRA/Upgrade/SyncFile/SyncFile.inf"], b"[SyncFile]\r\n")
        self.assertEqual(files["SETUP.INF"], (
            "[Products]\r\nVersion=2.1.0.1\r\nRelease=2024年4月版\r\n\r\n"
            "[Setup]\r\nInstallDiskName=KESTRA_DVD\r\n").encode("cp932"))

    def test_setup_script_lists_the_groups_as_written(self):
        files = tree(self.author())
        self.assertEqual(files["KESTRA/SETUP_F.INI"], (
            "[Groups]\r\nGroups=4\r\n"
            "Group1Name=KESTRA\r\nGroup1Dir=<INSTALLDIR>\r\nGroup1grpFiles=1\r\n"
            "Group1File1=KESTRA.EXE\r\n"
            "Group2Name=MANUAL\r\nGroup2Dir=<INSTALLDIR>MANUAL\\\r\nGroup2grpFiles=1\r\n"
            "Group2File1=MANUAL\\利用ガイド.PDF\r\n"
            "Group3Name=LIB_NTI31\r\nGroup3Dir=LIB\\_NTI31\\BIN\\\r\nGroup3grpFiles=2\r\n"
            "Group3File1=LIB\\NTISRCH.DLL\r\nGroup3File2=LIB\\ソフト表.DAT\r\n"
            "Group4Name=COM\\FOXIT\r\nGroup4Dir=COM\\\r\nGroup4grpFiles=1\r\n"
            "Group4File1=COM\\FoxitReader_AX_Std.ocx\r\n").encode("cp932"))

    def test_archive_members_are_relative_to_the_group_base_in_shift_jis(self):
        out = self.author()
        with zipfile.ZipFile(os.path.join(out, "KESTRA", "SETUP_F.EZP")) as archive:
            infos = archive.infolist()
            raw_names = [info.orig_filename.encode("cp437") for info in infos]
            self.assertEqual(raw_names, sorted(raw_names, key=lambda n: n.upper()))
            expected = {
                "KESTRA.EXE": "KESTRA.EXE",
                "MANUAL/利用ガイド.PDF": "MANUAL/利用ガイド.PDF",
                "LIB/_NTI31/BIN/NTISRCH.DLL": "LIB/NTISRCH.DLL",
                "LIB/_NTI31/BIN/ソフト表.DAT": "LIB/ソフト表.DAT",
                "COM/FoxitReader_AX_Std.ocx": "COM/FoxitReader_AX_Std.ocx",
            }
            self.assertEqual(sorted(raw_names),
                             sorted(name.encode("cp932") for name in expected))
            for info in infos:
                self.assertEqual(info.flag_bits & 0x800, 0)  # no UTF-8 flag
                self.assertEqual(info.compress_type, zipfile.ZIP_DEFLATED)
                self.assertEqual(info.date_time, (2024, 4, 1, 9, 0, 2))
                name = info.orig_filename.encode("cp437").decode("cp932")
                self.assertEqual(archive.read(info), PRODUCT_FILES[expected[name]], name)

    def test_index_script_copies_every_index_file(self):
        files = tree(self.author())
        self.assertEqual(files["COLLCOPY.INF"], (
            "[COLLECTION]\r\nMakeDir01=$setup\r\nMakeDir02=$setup\\KSCOLL1\r\n"
            "MakeDir03=$setup\\KSCOLL1\\parts\r\n"
            "CopyFile01=KSCOLL.INF,$setup\\KSCOLL.INF\r\n"
            "CopyFile02=KSCOLL1\\A.DAT,$setup\\KSCOLL1\\A.DAT\r\n"
            "CopyFile03=KSCOLL1\\WORDS.ID_,$setup\\KSCOLL1\\WORDS.IDX\r\n"
            "CopyFile04=KSCOLL1\\parts\\.keep,$setup\\KSCOLL1\\parts\\.keep\r\n")
            .encode("cp932"))

    def test_lz_files_expand_to_their_source(self):
        files = tree(self.author())
        tool = files["Upgrade/RIROVE._XE"]
        self.assertEqual(lz_expand(tool), PRODUCT_FILES["tools/RIRove.exe"])
        self.assertEqual(tool[9:10], b"e")  # the name's replaced last character
        index = files["DOCS/KSCOLL1/WORDS.ID_"]
        self.assertEqual(lz_expand(index), PRODUCT_FILES["docs/KSCOLL1/WORDS.IDX"])
        self.assertEqual(index[9:10], b"X")
        # Repeated text is stored as matches, not as literals.
        self.assertLess(len(index), len(PRODUCT_FILES["docs/KSCOLL1/WORDS.IDX"]) // 4)

    def test_compression_round_trips_every_kind_of_data(self):
        loader = importlib.machinery.SourceFileLoader("mkdvd", MKDVD)
        mkdvd = types.ModuleType(loader.name)
        loader.exec_module(mkdvd)
        rng = random.Random(7)
        noise = bytes(rng.randrange(256) for _ in range(9000))
        cases = {
            "empty": b"", "one byte": b"x", "two bytes": b"xy",
            "one long run": b"a" * 5000,
            "blanks like the initial window": b" " * 100 + b"text",
            "noise": noise,
            # A repeat farther back than the window can reach, and one just inside it.
            "far repeat": noise[:100] + bytes(4096) + noise[:100],
            "near repeat": noise[:100] + bytes(3990) + noise[:100],
            "text": ("第1条 この法律は、" * 300).encode("cp932"),
        }
        for name, data in cases.items():
            with self.subTest(name):
                self.assertEqual(lz_expand(mkdvd.szdd(data)), data)

    def test_compressed_index_file_that_does_not_exist_is_an_error(self):
        write(self.description, DESCRIPTION.replace("lz = KSCOLL1\\WORDS.IDX",
                                                    "lz = KSCOLL1\\NONE.IDX").encode("utf-8"))
        result = self.run_mkdvd(os.path.join(self.dir, "dvd"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("lz names no index file: KSCOLL1\\NONE.IDX", result.stderr)

    def test_missing_product_file_is_an_error(self):
        os.remove(os.path.join(self.product, "LIB", "NTISRCH.DLL"))
        result = self.run_mkdvd(os.path.join(self.dir, "dvd"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("group3: no file", result.stderr)

    def test_two_files_on_one_member_are_an_error(self):
        write(os.path.join(self.product, "OTHER", "kestra.exe"), b"other")
        text = DESCRIPTION + "\n[group5]\nname = APP2\ndir = <INSTALLDIR>\nfiles = OTHER\\kestra.exe\n"
        write(self.description, text.encode("utf-8"))
        result = self.run_mkdvd(os.path.join(self.dir, "dvd"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("same member kestra.exe", result.stderr)

    def test_gap_in_group_numbers_is_an_error(self):
        text = DESCRIPTION + "\n[group6]\nname = X\ndir = X\\\nfiles = KESTRA.EXE\n"
        write(self.description, text.encode("utf-8"))
        result = self.run_mkdvd(os.path.join(self.dir, "dvd"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("without gaps: group6", result.stderr)

    def test_a_folder_that_is_no_image_is_not_replaced(self):
        out = os.path.join(self.dir, "precious")
        write(os.path.join(out, "notes.txt"), b"keep me")
        result = self.run_mkdvd(out)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(tree(out), {"notes.txt": b"keep me"})

    def test_missing_programs_are_an_error_unless_allowed(self):
        os.remove(os.path.join(self.dist, "EZip.dll"))
        self.assertEqual(self.run_mkdvd(os.path.join(self.dir, "a")).returncode, 1)
        result = self.run_mkdvd(os.path.join(self.dir, "b"), None, "--allow-missing-programs")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("EZip.dll", tree(os.path.join(self.dir, "b")))
        self.assertIn("warning", result.stderr)


if __name__ == "__main__":
    unittest.main()
