#!/usr/bin/env python3
"""Writes the benchmark's source trees under OUT (natively: far faster than under Wine).

small: 20,000 files of 0.5-8 KiB in 2,000 folders; few: 4,000 such files in 400 folders, for
the rounds with a simulated filter; seek: a hundred 4 MiB files, for the round over a medium
that seeks; large: twenty 256 MiB files, a copy of a second or more; many: 200,000 entries
(10,000 folders, 190,000 empty files) for the listing's memory.
A tree that is already complete, as this script now makes it, is left as it is.
"""
import os
import random
import sys


def folders(rng, count, top):
    """Folder paths; each one's parent is an earlier folder or the root, mostly shallow."""
    paths = []
    for i in range(count):
        if i < top:
            parent = ""
        else:
            parent = paths[rng.randrange(min(len(paths), top * 10))]
        paths.append(os.path.join(parent, f"folder_{i:05d}"))
    return paths


def make(root, build):
    done = root + ".complete"
    recipe = build.__doc__ or build.__name__
    if os.path.exists(done) and open(done).read() == recipe:
        return
    if os.path.exists(root):
        os.system(f"rm -rf '{root}'")
    os.makedirs(root)
    build(root)
    with open(done, "w") as f:
        f.write(recipe)


def small_files(root, files, seed):
    rng = random.Random(seed)
    dirs = folders(rng, files // 10, 20)
    for d in dirs:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    for i in range(files):
        d = dirs[rng.randrange(len(dirs))] if i >= 20 else ""
        size = rng.randint(512, 8192)
        with open(os.path.join(root, d, f"file_{i:05d}.dat"), "wb") as f:
            f.write(rng.randbytes(size))


def small(root):
    """20000 files of 0.5-8 KiB"""
    small_files(root, 20000, 20000)


def few(root):
    """4000 files of 0.5-8 KiB"""
    small_files(root, 4000, 2000)


def seek(root):
    """100 files of 4 MiB"""
    rng = random.Random(4)
    block = rng.randbytes(4 << 20)
    for i in range(100):
        with open(os.path.join(root, f"seek_{i:03d}.bin"), "wb") as f:
            f.write(bytes([i]) + block[1:])


def large(root):
    """20 files of 256 MiB"""
    rng = random.Random(64)
    block = rng.randbytes(1 << 20)
    for i in range(20):
        with open(os.path.join(root, f"large_{i:02d}.bin"), "wb") as f:
            for j in range(256):
                f.write(bytes([i, j]) + block[2:])


def many(root):
    """200000 entries"""
    rng = random.Random(200000)
    dirs = folders(rng, 10000, 50)
    for d in dirs:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    for i in range(190000):
        d = dirs[rng.randrange(len(dirs))]
        os.close(os.open(os.path.join(root, d, f"entry_{i:06d}.txt"), os.O_CREAT | os.O_WRONLY, 0o644))


def main():
    out = sys.argv[1]
    for name, build in (("small", small), ("few", few), ("seek", seek), ("large", large), ("many", many)):
        make(os.path.join(out, name), build)


if __name__ == "__main__":
    main()
