#!/usr/bin/env python3
"""Content trees for the end-to-end scale tests, made and checked from the Linux side.

    scale_trees.py make ROOT [--files N --folders M]   lay out every case's medium tree
    scale_trees.py check ROOT                          compare each case's copy with its source
    scale_trees.py clean ROOT

A case's medium lies in ROOT/<kMediaFolder>/<case>, its content in zrv/upgrade below that; the
Wine test installs it into ROOT/<kTargetsFolder>/<case>/coon. Files are made here because
hundreds of thousands of Wine calls would take far longer than the copy under test.
"""
import argparse
import hashlib
import os
import shutil
import sys
import time

# Kept equal to the Wine test's names.
MEDIA = "安装 媒体  光盘"
TARGETS = "目标 文件夹"
CASES = ("big", "long", "names")  # each copied whole and compared
# Two names that differ only in letter case: one destination name on Windows. The installer
# must fail rather than keep one file of the two; the Wine test checks that.
CLASHING = "clash"
CLASHING_NAMES = ("Readme.txt", "README.TXT")

# Names that Win32 path handling alters unless the path is taken literally (trailing dots and
# blanks, device names), and others.
ODD_FILES = [
    "课程 资料.txt", "😀 笑脸.txt", "🎉🎉", "𠀀 扩展B区", " leading blank.txt", "  two leading",
    "double  blank.txt", ".dotfile", "..a", "a..b", "...x", "x...y", ". d",
    "trailing dot.", "trailing dots..", "trailing blank ", "trailing blanks  ", "c. .", "d .",
    "中文 😀. ", "NUL.txt.", "CON", "nul.txt",
]
ODD_FOLDERS = {
    "中文目录": ["里面.txt"],
    "📁 文件夹": ["🙂.bin"],
    " leading": ["x"],
    "folder.": ["in.txt", "also."],
    "folder ": ["in .txt"],
    "..b": ["y"],
    "a.b.": [],
    "empty . ": [],
    "深 层.": {"更深 ": {"最深.": ["底 .txt"]}},
}


def win_len(text):
    """Length in UTF-16 code units, as Windows counts a path."""
    return len(text.encode("utf-16-le")) // 2


def win_path(unix_path):
    return "Z:" + unix_path.replace("/", "\\")


def content(relative):
    # Unique per file, so a file copied to the wrong place shows.
    return ("%s\n" % relative).encode("utf-8")


def write(path, relative, data=None):
    with open(path, "wb") as f:
        f.write(content(relative) if data is None else data)


def case_paths(root, case):
    return (os.path.join(root, MEDIA, case, "zrv", "upgrade"),
            os.path.join(root, TARGETS, case, "coon"))


def make_big(tree, files, folders):
    # folders = tops * (1 + subs): each top folder holds `subs` subfolders; the last subfolder of
    # each top stays empty; the files spread over the others and the top folders themselves.
    tops = 20
    subs = folders // tops - 1
    assert tops * (subs + 1) == folders, "folders must be a multiple of 20"
    filled = tops * (subs - 1)
    per_leaf = files // (filled + tops)
    rest = files - per_leaf * filled
    made = 0
    for t in range(tops):
        top = "d%02d" % t
        os.makedirs(os.path.join(tree, top))
        in_top = rest // tops + (1 if t < rest % tops else 0)
        for i in range(in_top):
            rel = "%s/t%05d.txt" % (top, i)
            write(os.path.join(tree, rel), rel, b"" if i == 0 else None)  # some empty files
            made += 1
        for s in range(subs):
            sub = "%s/s%04d" % (top, s)
            os.mkdir(os.path.join(tree, sub))
            if s == subs - 1:
                continue
            for i in range(per_leaf):
                rel = "%s/f%02d.txt" % (sub, i)
                write(os.path.join(tree, rel), rel)
                made += 1
    assert made == files, (made, files)


def make_long(tree, target):
    """Destination paths of the deepest files from 248 to over 400 characters."""
    # The wizard's destination: the target folder, "\coon\", then the relative path.
    base = win_len(win_path(target)) + 1
    source_base = win_len(win_path(tree)) + 1
    chain = []
    depth = 0
    # Folders of 40 characters until the destination folder path passes 190.
    while base + win_len("/".join(chain)) < 190:
        depth += 1
        chain.append(("lvl%02d-" % depth).ljust(40, "x"))
    folder = "/".join(chain)
    os.makedirs(os.path.join(tree, folder))
    made = []
    for total in (248, 250, 255, 259, 260, 261, 270, 300):
        name_len = total - base - win_len(folder) - 1
        name = ("n%d-" % total).ljust(name_len - 4, "y") + ".txt"
        rel = folder + "/" + name
        assert base + win_len(rel) == total
        write(os.path.join(tree, rel), rel)
        made.append(total)
    # Folders whose own paths cross 248 (CreateDirectory's plain limit) and 260, then deeper,
    # some Chinese and with an emoji, to a file past 400 and an empty folder at the bottom.
    deep = folder
    for i, part in enumerate(["长路径文件夹".ljust(30, "目"), "deep-" + "z" * 50, "😀" * 20,
                              "更深的一层 " + "w" * 40, "bottom-" + "v" * 60]):
        deep += "/" + part
        os.mkdir(os.path.join(tree, deep))
        rel = deep + "/file%d.txt" % i
        write(os.path.join(tree, rel), rel)
        made.append(base + win_len(rel))
    os.mkdir(os.path.join(tree, deep, "empty at the bottom"))
    print("long: destination file paths of %s characters; sources from %d" %
          (sorted(made), source_base + win_len(folder) + 1))


def make_names(tree):
    os.makedirs(tree)
    for name in ODD_FILES:
        write(os.path.join(tree, name), name)

    def folder(path, rel, entries):
        os.mkdir(path)
        if isinstance(entries, dict):
            for name, sub in entries.items():
                folder(os.path.join(path, name), rel + "/" + name, sub)
        else:
            for name in entries:
                write(os.path.join(path, name), rel + "/" + name)

    for name, entries in ODD_FOLDERS.items():
        folder(os.path.join(tree, name), name, entries)


def make(args):
    clean(args)
    started = time.monotonic()
    for case in CASES:
        tree, target = case_paths(args.root, case)
        os.makedirs(os.path.dirname(target))
        if case == "big":
            os.makedirs(tree)
            make_big(tree, args.files, args.folders)
        elif case == "long":
            os.makedirs(tree)
            make_long(tree, os.path.dirname(target) + "/coon")
        else:
            make_names(tree)
    tree, target = case_paths(args.root, CLASHING)
    os.makedirs(os.path.dirname(target))
    os.makedirs(tree)
    for name in CLASHING_NAMES:
        write(os.path.join(tree, name), name)
    print("made the trees in %.1f s under %s" % (time.monotonic() - started, args.root))
    return 0


def snapshot(top):
    """Relative path -> None for a folder, else the file's SHA-256; every entry below top."""
    entries = {}
    for folder, subfolders, files in os.walk(top):
        rel = os.path.relpath(folder, top)
        for name in subfolders:
            entries[os.path.normpath(os.path.join(rel, name))] = None
        for name in files:
            with open(os.path.join(folder, name), "rb") as f:
                entries[os.path.normpath(os.path.join(rel, name))] = hashlib.sha256(f.read()).hexdigest()
    return entries


def check(args):
    failed = False
    started = time.monotonic()
    for case in CASES:
        tree, target = case_paths(args.root, case)
        if not os.path.isdir(target):
            print("%s: no copy at %s" % (case, target))
            failed = True
            continue
        source, copy = snapshot(tree), snapshot(target)
        files = sum(1 for v in source.values() if v is not None)
        folders = len(source) - files
        problems = ["only in the source: " + p for p in sorted(source.keys() - copy.keys())]
        problems += ["only in the copy: " + p for p in sorted(copy.keys() - source.keys())]
        problems += ["differs: " + p for p in sorted(source.keys() & copy.keys()) if source[p] != copy[p]]
        print("%s: %d files, %d folders: %s" % (case, files, folders, "identical" if not problems else
                                               "%d differences" % len(problems)))
        for p in problems[:50]:
            print("  " + p)
        failed = failed or bool(problems) or not files
    print("checked in %.1f s" % (time.monotonic() - started))
    if not failed:
        clean(args)
    return 1 if failed else 0


def clean(args):
    for folder in (MEDIA, TARGETS):
        shutil.rmtree(os.path.join(args.root, folder), ignore_errors=True)
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=("make", "check", "clean"))
    parser.add_argument("root")
    parser.add_argument("--files", type=int, default=200000)
    parser.add_argument("--folders", type=int, default=20000)
    args = parser.parse_args()
    args.root = os.path.abspath(args.root)
    return {"make": make, "check": check, "clean": clean}[args.action](args)


if __name__ == "__main__":
    sys.exit(main())
