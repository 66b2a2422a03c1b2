#!/usr/bin/env python3
"""Builds or changes the scale benchmark's tree: empty files in folders of
about 100 entries, 10 levels deep.

  make_deep_tree.py create DIR ENTRIES   about ENTRIES entries (files and
                                         folders) under DIR
  make_deep_tree.py change DIR           every tenth file gets one byte and a
                                         last-write time one hour later
  make_deep_tree.py delete DIR           removes every tenth file (a different
                                         tenth from the one change touches)

The folders are laid out depth first with the same number of subfolders in
each, so that the first branch reaches the tenth level at every size; the
files are spread evenly over the folders. The same ENTRIES gives the same
tree.
"""
import os
import sys

PER_FOLDER = 100
DEPTH = 10
BASE_TIME = 1_700_000_000  # 2023-11-14


def folders(count):
    """Relative folder paths, depth first, `count` of them (the root first)."""
    branch = 2
    while sum(branch ** d for d in range(DEPTH)) < count:
        branch += 1
    out = []

    def visit(rel, depth):
        if len(out) >= count:
            return
        out.append(rel)
        if depth + 1 >= DEPTH:
            return
        for i in range(branch):
            visit(os.path.join(rel, f"d{i:02d}"), depth + 1)

    visit("", 0)
    return out


def create(root, entries):
    count = max(1, entries // PER_FOLDER)
    dirs = folders(count)
    files = max(0, entries - len(dirs) + 1)  # the root is not an entry
    made = 0
    for i, rel in enumerate(dirs):
        path = os.path.join(root, rel)
        os.makedirs(path, exist_ok=True)
        n = files // len(dirs) + (1 if i < files % len(dirs) else 0)
        for j in range(n):
            name = os.path.join(path, f"f{j:03d}.dat")
            open(name, "wb").close()
            os.utime(name, (BASE_TIME, BASE_TIME))
        made += n
    print(f"{made} files in {len(dirs)} folders ({made + len(dirs) - 1} entries)")


def files_of(root):
    for top, dirs, names in os.walk(root):
        dirs.sort()
        for name in sorted(names):
            yield os.path.join(top, name)


def change(root):
    n = 0
    for i, path in enumerate(files_of(root)):
        if i % 10 == 0:
            with open(path, "ab") as f:
                f.write(b"x")
            os.utime(path, (BASE_TIME + 3600, BASE_TIME + 3600))
            n += 1
    print(f"{n} files changed")


def delete(root):
    n = 0
    for i, path in enumerate(list(files_of(root))):
        if i % 10 == 5:
            os.remove(path)
            n += 1
    print(f"{n} files deleted")


def main(argv):
    if len(argv) == 4 and argv[1] == "create":
        create(argv[2], int(argv[3]))
    elif len(argv) == 3 and argv[1] == "change":
        change(argv[2])
    elif len(argv) == 3 and argv[1] == "delete":
        delete(argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
