#!/usr/bin/env python3
"""Builds or changes the benchmark tree.

  make_tree.py create DIR [FILES]   FILES files (default 20000) in FILES/20
                                    folders, two levels deep, sizes from empty
                                    to 8 MiB (about 1 GiB for 20000 files);
                                    above 20000 files only small ones, up
                                    to 16 KiB
  make_tree.py change DIR           rewrites every tenth file (10 %) and moves
                                    its time one hour on

The tree is the same for the same FILES (fixed random seed).
"""
import os
import random
import sys

MIB = 1 << 20
BASE_TIME = 1_700_000_000  # 2023-11-14, every file is stamped before it


def sizes(count, rng):
    if count > 20000:
        for _ in range(count):
            yield 0 if rng.random() < 0.02 else rng.randint(1, 16 * 1024)
        return
    for i in range(count):
        if i == 0:
            yield 8 * MIB  # the largest size occurs at least once
            continue
        r = rng.random()
        if r < 0.02:
            yield 0
        elif r < 0.82:
            yield rng.randint(1, 16 * 1024)
        elif r < 0.99:
            yield rng.randint(16 * 1024, 128 * 1024)
        elif r < 0.997:
            yield rng.randint(128 * 1024, 2 * MIB)
        else:
            yield rng.randint(2 * MIB, 8 * MIB)


def layout(count):
    folders = max(1, count // 20)
    top = max(1, int(folders ** 0.5))
    for i in range(count):
        f = i % folders
        yield os.path.join(f"d{f % top:03d}", f"s{f // top:03d}", f"file{i:06d}.dat")


def create(root, count):
    rng = random.Random(count)
    block = os.urandom(9 * MIB)
    total = 0
    for i, (rel, size) in enumerate(zip(layout(count), sizes(count, rng))):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        start = rng.randint(0, MIB)
        with open(path, "wb") as f:
            f.write(block[start:start + size])
        os.utime(path, (BASE_TIME - i, BASE_TIME - i))
        total += size
    print(f"{count} files, {total / MIB:.0f} MiB in {root}")


def change(root):
    changed = 0
    for dirpath, _, names in os.walk(root):
        for name in sorted(names):
            if int(name[4:10]) % 10 != 0:
                continue
            path = os.path.join(dirpath, name)
            st = os.stat(path)
            with open(path, "r+b") as f:
                f.write(os.urandom(min(st.st_size, 4096)) if st.st_size else b"")
                if st.st_size == 0:
                    f.write(b"now changed")
            os.utime(path, (st.st_atime, st.st_mtime + 3600))
            changed += 1
    print(f"{changed} files changed")


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "create":
        create(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 20000)
    elif len(sys.argv) == 3 and sys.argv[1] == "change":
        change(sys.argv[2])
    else:
        sys.exit(__doc__)
