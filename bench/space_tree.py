#!/usr/bin/env python3
"""Generates the disk-map benchmark tree: about a million entries, the same every time.

    bench/space_tree.py DIR

25 x 25 x 40 folders of 39 files each (most empty, the rest up to 3 KB), plus what real
trees hold: a folder of 20,000 files, 200 files of 1-4 MiB, 1,000 hard links, 1,000
symbolic links. Writes DIR/.complete last, so a half-made tree is never measured.
"""
import os
import random
import sys


def write_file(path, size):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        if size:
            os.write(fd, b"x" * size)
    finally:
        os.close(fd)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: space_tree.py DIR")
    root = sys.argv[1]
    if os.path.exists(os.path.join(root, ".complete")):
        return
    rng = random.Random(7)
    os.makedirs(root, exist_ok=True)
    files = []
    for a in range(25):
        for b in range(25):
            for c in range(40):
                folder = os.path.join(root, f"a{a:02d}", f"b{b:02d}", f"c{c:02d}")
                os.makedirs(folder, exist_ok=True)
                for f in range(39):
                    path = os.path.join(folder, f"file-{f:02d}.dat")
                    write_file(path, 0 if rng.random() < 0.7 else rng.randrange(1, 3000))
                    files.append(path)
    crowd = os.path.join(root, "crowd")
    os.makedirs(crowd, exist_ok=True)
    for f in range(20000):
        write_file(os.path.join(crowd, f"n{f:05d}"), 0)
    large = os.path.join(root, "large")
    os.makedirs(large, exist_ok=True)
    for f in range(200):
        write_file(os.path.join(large, f"big-{f:03d}.bin"), rng.randrange(1 << 20, 4 << 20))
    links = os.path.join(root, "links")
    os.makedirs(links, exist_ok=True)
    for f in range(1000):
        target = files[rng.randrange(len(files))]
        try:
            os.link(target, os.path.join(links, f"hard-{f:04d}"))
        except FileExistsError:
            pass
        os.symlink(target, os.path.join(links, f"soft-{f:04d}"))
    write_file(os.path.join(root, ".complete"), 0)


if __name__ == "__main__":
    main()
