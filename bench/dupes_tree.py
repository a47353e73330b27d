#!/usr/bin/env python3
"""Generates the duplicate-finder benchmark tree: about 50,000 files, the same every time.

    bench/dupes_tree.py DIR

500 folders of files whose sizes come from a shared pool (so most sizes collide), with
about 4,800 sets of identical files (2 to 6 copies), same-size decoys that differ only in
their first or only in their last byte, a few large files (128 MiB: a pair, a decoy
differing in the last byte; 32 MiB: a pair), some hidden files and folders, and hard
links. Writes DIR/.complete last, so a half-made tree is never measured.
"""
import os
import random
import sys

FILES = 50_000
GROUPS = 4_800
SIZE_POOL = 6_000


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: dupes_tree.py DIR")
    root = sys.argv[1]
    if os.path.exists(os.path.join(root, ".complete")):
        return
    rng = random.Random(2026)
    folders = [f"d{a:02d}/s{b:02d}" for a in range(20) for b in range(25)]
    # Log-uniform from 256 B to 128 KiB: mostly small files, as in a home folder.
    pool = sorted({int(256 * (512 ** rng.random())) for _ in range(SIZE_POOL)})
    counter = 0

    def place(data, hidden=False):
        nonlocal counter
        counter += 1
        folder = rng.choice(folders)
        name = f"{'.' if hidden else ''}f{counter:06d}.bin"
        path = os.path.join(root, folder, name)
        write(path, data)
        return path

    written = 0
    members = []
    for g in range(GROUPS):
        data = rng.randbytes(rng.choice(pool))
        r = rng.random()
        copies = 2 if r < 0.7 else 3 if r < 0.9 else rng.randint(4, 6)
        for _ in range(copies):
            members.append(place(data))
            written += 1
        if g % 5 < 2:  # differs in the first byte only
            place(bytes([data[0] ^ 0xFF]) + data[1:])
            written += 1
        elif g % 5 < 4:  # differs in the last byte only
            place(data[:-1] + bytes([data[-1] ^ 0xFF]))
            written += 1
        if g % 200 == 0:  # a hidden copy, which no tool may count
            place(data, hidden=True)
    # Hidden folders with copies inside.
    for i in range(20):
        data = rng.randbytes(rng.choice(pool))
        for k in range(2):
            write(os.path.join(root, ".cache", f"h{i}-{k}.bin"), data)
    # Hard links: the same file twice is not a duplicate.
    for i, source in enumerate(members[:40]):
        os.link(source, os.path.join(root, folders[i], f"link{i:03d}.bin"))
    lone = place(rng.randbytes(5000))
    os.link(lone, lone + ".link")
    written += 1

    while written < FILES - 6:
        place(rng.randbytes(rng.choice(pool)))
        written += 1

    big = rng.randbytes(128 << 20)
    write(os.path.join(root, "large", "big-a.bin"), big)
    write(os.path.join(root, "large", "big-b.bin"), big)
    write(os.path.join(root, "large", "big-last-byte.bin"), big[:-1] + bytes([big[-1] ^ 1]))
    medium = rng.randbytes(32 << 20)
    write(os.path.join(root, "large", "medium-a.bin"), medium)
    write(os.path.join(root, "large", "deeper", "medium-b.bin"), medium)
    write(os.path.join(root, "large", "medium-other.bin"), rng.randbytes(32 << 20))

    with open(os.path.join(root, ".complete"), "w") as f:
        f.write("ok\n")


if __name__ == "__main__":
    main()
