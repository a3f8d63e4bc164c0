#!/usr/bin/env python3
"""Writes the benchmark's source trees under OUT (natively: far faster than under Wine).

small: 20,000 files of 0.5-8 KiB in 2,000 folders; large: six 64 MiB files;
many: 200,000 entries (10,000 folders, 190,000 empty files) for the listing's memory.
A tree that is already complete is left as it is.
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
    if os.path.exists(done):
        return
    if os.path.exists(root):
        os.system(f"rm -rf '{root}'")
    os.makedirs(root)
    build(root)
    open(done, "w").close()


def small(root):
    rng = random.Random(20000)
    dirs = folders(rng, 2000, 20)
    for d in dirs:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    for i in range(20000):
        d = dirs[rng.randrange(len(dirs))] if i >= 20 else ""
        size = rng.randint(512, 8192)
        with open(os.path.join(root, d, f"file_{i:05d}.dat"), "wb") as f:
            f.write(rng.randbytes(size))


def large(root):
    rng = random.Random(64)
    block = rng.randbytes(1 << 20)
    for i in range(6):
        with open(os.path.join(root, f"large_{i}.bin"), "wb") as f:
            for j in range(64):
                f.write(bytes([i, j]) + block[2:])


def many(root):
    rng = random.Random(200000)
    dirs = folders(rng, 10000, 50)
    for d in dirs:
        os.makedirs(os.path.join(root, d), exist_ok=True)
    for i in range(190000):
        d = dirs[rng.randrange(len(dirs))]
        os.close(os.open(os.path.join(root, d, f"entry_{i:06d}.txt"), os.O_CREAT | os.O_WRONLY, 0o644))


def main():
    out = sys.argv[1]
    for name, build in (("small", small), ("large", large), ("many", many)):
        make(os.path.join(out, name), build)


if __name__ == "__main__":
    main()
