#!/usr/bin/env python3
"""Generates the benchmark tree: about 200 MB in about 5,000 files, half text
and half binary (random and partly repetitive), in nested folders. The same
seed always gives the same tree.

  make_tree.py DEST [TOTAL_MB] [FILES]
"""
import os
import random
import sys

WORDS = ("the of and to in is that for it as was with be by on not he this are or his "
         "from at which but have an they you were her she there been one all we their "
         "archive stream folder digest catalogue record module screen saver install "
         "zorvane packed extract verify compress window button progress license").split()


def text_pool(rng, size):
    lines, n = [], 0
    while n < size:
        line = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))
        line = line.capitalize() + ".\n"
        lines.append(line)
        n += len(line)
    return "".join(lines).encode()


def main():
    dest = sys.argv[1]
    total = int(sys.argv[2] if len(sys.argv) > 2 else 200) * 1024 * 1024
    files = int(sys.argv[3] if len(sys.argv) > 3 else 5000)
    rng = random.Random(20261211)
    pool = text_pool(rng, 4 * 1024 * 1024)
    weights = [rng.lognormvariate(0, 1.2) for _ in range(files)]
    scale = total / sum(weights)
    folders = [os.path.join(dest, f"group{a:02d}", f"part{b:02d}")
               for a in range(25) for b in range(8)]
    for f in folders:
        os.makedirs(f, exist_ok=True)
    for i, w in enumerate(weights):
        size = max(1, int(w * scale))
        folder = folders[i % len(folders)]
        kind = i % 4
        if kind < 2:  # text: slices of the pool
            at = rng.randrange(0, len(pool) - 1)
            data = (pool[at:] + pool)[:size] if size < len(pool) else (pool * (size // len(pool) + 1))[:size]
            name = f"doc{i:05d}.txt"
        elif kind == 2:  # random bytes (incompressible)
            data = rng.randbytes(size)
            name = f"blob{i:05d}.bin"
        else:  # structured binary: random records with repeats
            rec = rng.randbytes(64)
            out = bytearray()
            while len(out) < size:
                out += rec if rng.random() < 0.7 else rng.randbytes(64)
            data = bytes(out[:size])
            name = f"data{i:05d}.dat"
        with open(os.path.join(folder, name), "wb") as fh:
            fh.write(data)


if __name__ == "__main__":
    main()
