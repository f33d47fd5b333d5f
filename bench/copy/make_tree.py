#!/usr/bin/env python3
"""Generates the small-file benchmark tree: 5,000 files of 0 to 16 KiB in 110
nested folders (10 folders of 10 sub-folders of 50 files), a tenth of them
with "user." extended attributes, mixed modes and nanosecond modification
times. The same seed always gives the same tree.

  make_tree.py DEST
"""
import os
import random
import sys


def main():
    dest = sys.argv[1]
    rng = random.Random(20261211)
    os.makedirs(dest)
    count = 0
    folders = []
    for a in range(10):
        for b in range(10):
            folder = os.path.join(dest, f"group{a:02d}", f"set{b:02d}")
            os.makedirs(folder, exist_ok=True)
            folders.append(folder)
            for c in range(50):
                path = os.path.join(folder, f"item{c:03d}.dat")
                size = rng.choice((0, rng.randint(1, 512), rng.randint(512, 16384)))
                with open(path, "wb") as f:
                    f.write(rng.randbytes(size))
                os.chmod(path, rng.choice((0o644, 0o600, 0o755, 0o444)))
                if rng.random() < 0.1:
                    os.setxattr(path, "user.comment", f"file {count}".encode())
                    os.setxattr(path, "user.blob", rng.randbytes(rng.randint(1, 300)))
                os.utime(path, ns=(1_600_000_000_000_000_000 + rng.randint(0, 10**17),) * 2)
                count += 1
    for folder in folders + [os.path.dirname(f) for f in folders[::10]] + [dest]:
        os.utime(folder, ns=(1_500_000_000_123_456_789,) * 2)
    print(f"{count} files in {len(folders) + 11} folders")


if __name__ == "__main__":
    main()
