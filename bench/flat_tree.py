#!/usr/bin/env python3
"""Generates the flat benchmark tree: FILES small files (default 200,000), the same every time.

    bench/flat_tree.py DIR [FILES]

40 top folders of 50 sub-folders of 100 files each (for 200,000), sizes 0 to 2,999 bytes.
Writes DIR.complete-FILES last, so a half-made tree is never measured.
"""
import os
import sys


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: flat_tree.py DIR [FILES]")
    root = sys.argv[1].rstrip("/")
    total = int(sys.argv[2]) if len(sys.argv) == 3 else 200_000
    marker = f"{root}.complete-{total}"
    if os.path.exists(marker):
        return
    per_folder = 100
    os.makedirs(root, exist_ok=True)
    for i in range(total):
        folder = os.path.join(root, "top%02d" % (i // 5000), "sub%03d" % (i // per_folder % 50))
        if i % per_folder == 0:
            os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "file%06d.dat" % i), "wb") as f:
            f.write(b"x" * (i % 3000))
    open(marker, "w").close()


if __name__ == "__main__":
    main()
