"""tools/medium: each check on a medium made to fail it, make's setup.ini as setup.exe reads it,
an image read back."""
import os
import runpy
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

TOOL = os.environ["MEDIUM_TOOL"]
NAME, LONG = "泰索瓦林课堂", "泰索瓦林课堂第二单元的练习与答案汇编二零一一年九月版.txt"  # 28 characters


def program(machine=0x14C, signed=True):
    """A PE32 header as far as check reads it: the machine and the security directory."""
    image = bytearray(0x200)
    image[:2], image[0x80:0x84] = b"MZ", b"PE\0\0"
    struct.pack_into("<I", image, 0x3C, 0x80)
    struct.pack_into("<H", image, 0x84, machine)
    struct.pack_into("<I", image, 0x98 + 92, 16)
    struct.pack_into("<II", image, 0x98 + 128, 0x180, 0x40 if signed else 0)
    return bytes(image)


def medium(*args):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True)


def ini(*lines, mark=b"", codec="gbk", end="\r\n"):
    return lambda m: (m / "setup.ini").write_bytes(mark + "".join(l + end for l in lines).encode(codec, "surrogatepass"))


def put(rel, data=b"x", size=None):
    def change(m):
        (m / rel).parent.mkdir(parents=True, exist_ok=True)
        (m / rel).write_bytes(data)
        if size:
            os.truncate(m / rel, size)
    return change


def remove(rel):
    return lambda m: shutil.rmtree(m / rel) if (m / rel).is_dir() else (m / rel).unlink()


class Medium(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp())
        tree = cls.tmp / "class"
        for rel in ("课程.txt", "lessons/unit 2/notes.txt", LONG, "a/b/c/d/e/f/deep.txt"):
            put(rel, rel.encode())(tree)
        (tree / "empty").mkdir()
        (cls.tmp / "setup.exe").write_bytes(program())
        cls.good = cls.tmp / "good"
        cls.made = medium("make", "--name", NAME, "--version", "2.1.0", "--marker", "TVC-2.1", "--description", "说明 €",
                          "--date", "2011-09", "--class", str(tree), "--full-installer", str(cls.tmp / "setup.exe"),
                          "--setup-exe", str(cls.tmp / "setup.exe"), str(cls.good))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_a_good_medium_passes_and_reads_as_made(self):
        self.assertEqual(self.made.returncode, 0, self.made.stdout + self.made.stderr)
        self.assertNotRegex(self.made.stdout, "(?m)^(error|warning):")
        reader = subprocess.run([os.environ["PRODUCT_INFO_READER"], self.good / "setup.ini"], capture_output=True)
        # Windows' code page 936 has the euro sign at 0x80, which Python's gbk lacks.
        lines = [NAME.encode("gbk"), "说明 ".encode("gbk") + b"\x80", b"2.1.0", b"TVC-2.1", b"2011-09"]
        self.assertEqual(reader.stdout.split(b"\n"), [b"0", *lines, b""])
        self.assertTrue((self.good / "zrv/upgrade/lessons/unit 2/notes.txt").is_file())
        self.assertTrue((self.good / "zrv/class/empty").is_dir())
        self.assertIn("U+2713", medium("make", "--name", "✓", "--version", "1", "--marker", "m", "--class",
                                       str(self.tmp / "class"), "--setup-exe", TOOL, str(self.tmp / "x")).stderr)

    def test_each_check_catches_a_medium_made_to_fail_it(self):
        big = put("zrv/class/big.bin", size=1 << 32)
        cases = [
            (remove("setup.ini"), "error: setup.ini: missing"),
            (put("setup.ini", b"a\r\n\x81\r\n"), "error: setup.ini: line 2 holds bytes that code page 936 can't decode (81 at byte 1"),
            (ini("泰 2", codec="utf-8"), "error: setup.ini: it is UTF-8 without a mark"),
            (ini(NAME, codec="utf-8"), 'warning: setup.ini: it looks like UTF-8 without a mark; the program reads it'
                                       ' as code page 936 and shows "娉扮储鐡︽灄璇惧爞"'),
            (ini(NAME, "", "1", "TVC\U0001F600", mark=b"\xef\xbb\xbf", codec="utf-8"),
             'error: setup.ini: line 4 (the content marker) holds "\U0001F600" (U+1F600)'),
            (ini(NAME, "", "1✓", "m", mark=b"\xff\xfe", codec="utf-16-le"), "error: setup.ini: line 3 (the content version) holds"),
            (ini(NAME, "\ud800", mark=b"\xff\xfe", codec="utf-16-le"), "error: setup.ini: line 2 holds a broken UTF-16"),
            (lambda m: (m / "setup.ini").write_bytes(b"\xef\xbb\xbfa\xff\r\n"), "error: setup.ini: line 1 holds bytes that aren't UTF-8"),
            (ini(NAME, "", "2.1.0", "m", end="\n"), "warning: setup.ini: line 3 (the content version) is empty"),
            (ini(NAME, "", "2.1.0", ""), "warning: setup.ini: line 4 (the content marker) is empty"),
            (ini("", "", "2.1.0", "m"), "warning: setup.ini: line 1 (the product name) is empty"),
            (lambda m: (m / "setup.ini").write_bytes(b"a\xaa\xa1\r\n\r\n1\r\nm\r\n"),
             "warning: setup.ini: line 1 holds AA A1, a user-defined code"),
            (remove("zrv/class"), "error: zrv/class: missing"),
            (remove("zrv/upgrade"), "error: zrv/upgrade: missing"),
            (remove("zrv/init"), "warning: zrv/init/setup.exe: missing"),
            (remove("setup.exe"), "error: setup.exe: missing"),
            (put("setup.exe", program(signed=False)), "warning: setup.exe: not signed"),
            (put("setup.exe", program(machine=0x8664)), "warning: setup.exe: not the 32-bit program"),
            (put("zrv/class/LESSONS"), "error: zrv/class: 'LESSONS' and 'lessons' are one name on Windows: the wizard's copy"),
            (put("zrv/upgrade/课程.TXT"), "error: zrv/upgrade: '课程.TXT' and '课程.txt' are one name on Windows"),
            (put("SETUP.INI"), "error: .: 'SETUP.INI' and 'setup.ini' are one name on Windows: a copy onto Windows"),
            (put("zrv/class/notes."), "error: zrv/class/notes.: the name ends in a dot"),
            (put("zrv/class/notes "), "error: zrv/class/notes : the name ends in a dot or a blank"),
            (put("zrv/class/a?b*"), "error: zrv/class/a?b*: the name holds *, ?"),
            (put("zrv/class/a\tb"), "the name holds U+0009"),
            (lambda m: (m / "zrv/class").joinpath(os.fsdecode(b"\xff.txt")).write_bytes(b""), "the name isn't UTF-8"),
            (lambda m: (m / "zrv/class/link").symlink_to(m / "setup.ini"), "error: zrv/class/link: a symbolic link"),
            (put("zrv/class/Aux.txt"), "warning: zrv/class/Aux.txt: a device name"),
            (put("zrv/class/" + "课" * 65), "the name is 65 UTF-16 units long: a disc's Joliet names hold 64"),
            (put("zrv/class/cd.bin", size=737_280_001), "more than a CD holds; it fits a DVD"),
            (put("zrv/class/dl.bin", size=8_543_666_177), "more than a dual-layer DVD holds; a stick or a share only"),
            ((big, "--fat32"), "error: zrv/class/big.bin: 4,294,967,296 bytes: a FAT32 file holds less than 4 GiB"),
        ]
        for change, expected in cases:
            change, *args = change if isinstance(change, tuple) else (change,)
            with self.subTest(expected=expected):
                broken = self.tmp / "broken"
                shutil.rmtree(broken, ignore_errors=True)
                shutil.copytree(self.good, broken, symlinks=True)
                change(broken)
                run = medium("check", str(broken), *args)
                found = [line for line in run.stdout.splitlines() if expected in line]
                self.assertTrue(found, run.stdout)
                self.assertEqual(run.returncode, int(found[0].startswith("error")))
        self.assertNotIn("FAT32", medium("check", str(broken)).stdout)
        # No Linux file system holds a name of 256 UTF-16 units, so the check meets it only here.
        tool = runpy.run_path(TOOL)
        report = tool["Report"]()
        tool["check_name"](report, "x", "a" * 256)
        self.assertEqual(report.errors, 1)

    def test_an_image_holds_long_chinese_names_empty_and_deep_folders(self):
        iso = self.tmp / "good.iso"
        run = medium("image", str(self.good), str(iso))
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        listed = subprocess.run(["7z", "l", "-tudf", iso], capture_output=True, text=True).stdout
        for name in ("zrv/class/" + LONG, "zrv/class/empty", "zrv/class/a/b/c/d/e/f/deep.txt"):
            self.assertIn(name, listed)
        self.assertRegex(listed, "Logical Volumes:\n  Id: TVC_2_1\n")
        shutil.copytree(self.good, self.tmp / "long")
        put("zrv/class/" + "课" * 65)(self.tmp / "long")
        self.assertIn("longer than 64 UTF-16 units", medium("image", str(self.tmp / "long"), str(iso)).stderr)


if __name__ == "__main__":
    unittest.main()
