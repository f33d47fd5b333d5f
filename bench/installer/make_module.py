#!/usr/bin/env python3
"""Writes the benchmark's screen-saver module: DEST/Bench.saver, about
TOTAL_MB megabytes (default 100) in FILES files (default 2,000), in nested
folders under Contents/. A third of the files are text, a third random bytes
(they do not compress) and a third repetitive binary records; sizes spread
from a few hundred bytes to a few megabytes. One file, the module's program,
is executable. The same arguments always give the same module.

  make_module.py DEST [TOTAL_MB] [FILES]
"""
import os
import random
import sys

WORDS = ("wave tide shore sand foam drift wood dusk dawn sun sky sea light slow "
         "quiet evening colour band crest roll rest the of and in a on at").split()


def main():
    dest = sys.argv[1]
    total = int(sys.argv[2] if len(sys.argv) > 2 else 100) * 1024 * 1024
    count = int(sys.argv[3] if len(sys.argv) > 3 else 2000)
    rng = random.Random(61211)
    text = " ".join(rng.choice(WORDS) for _ in range(400000)).encode()
    weights = [rng.lognormvariate(0, 1.3) for _ in range(count - 1)]
    scale = (total - 4096) / sum(weights)
    root = os.path.join(dest, "Bench.saver", "Contents")
    folders = [os.path.join(root, "Resources", kind, f"set{a:02d}", f"level{b}")
               for kind in ("textures", "scenes", "sounds") for a in range(10) for b in range(4)]
    for folder in folders + [os.path.join(root, "Linux")]:
        os.makedirs(folder, exist_ok=True)
    program = os.path.join(root, "Linux", "bench")
    with open(program, "w") as f:
        f.write("#!/bin/sh\n# The benchmark module's program.\necho bench\n" + "#" * 4000 + "\n")
    os.chmod(program, 0o755)
    for i, w in enumerate(weights):
        size = max(200, int(w * scale))
        kind = i % 3
        if kind == 0:
            at = rng.randrange(0, len(text) - size) if size < len(text) else 0
            data = (text * (size // len(text) + 1))[at:at + size]
            name = f"notes{i:04d}.txt"
        elif kind == 1:
            data = rng.randbytes(size)
            name = f"sample{i:04d}.bin"
        else:
            records = [rng.randbytes(48) for _ in range(16)]
            data = b"".join(rng.choice(records) for _ in range(size // 48 + 1))[:size]
            name = f"frames{i:04d}.dat"
        with open(os.path.join(folders[i % len(folders)], name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
