#!/usr/bin/env python3
"""Copy benchmark: FileCopy against `cp -a` in the same run.

Cases: (a) a tree of 5,000 small files in nested folders (make_tree.py) and
(b) one 1 GiB file. Each case runs RUNS times, FileCopy and cp -a taking
turns (and taking turns at going first; an even RUNS is fairest), each timed
from a synced cache with a fresh destination. The copies of a case are all
kept until the case is over: ext4 passes over inodes freed in the last minute
or more when it looks for new ones, so removing a 5,000-file copy before the
next run made whoever ran next pay for it, far more than the copy itself
costs. The best and
the median of each are printed with the ratio FileCopy / cp -a (goal: at most
1.2), and the best CPU time (user + system) of each, which other work on the
machine disturbs less than the wall time. Then what each kept is compared: contents, mode, modification time and
"user." extended attributes must match what cp -a keeps. FileCopy keeps times
at the 1/65536 s resolution of its catalogue dates, so the times are compared
at that resolution (exact nanoseconds are counted too).

  bench/copy/run.py [BUILD_DIR] [RUNS]      (defaults: build, 4)
"""
import hashlib
import os
import resource
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BIG_SIZE = 1 << 30


def run_timed(argv):
    """Wall time and CPU time (user + system) of one run. The CPU time is the
    steadier figure on a machine that others load too."""
    subprocess.run(["sync"], check=True)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def remove(path):
    if os.path.lexists(path):
        subprocess.run(["rm", "-rf", path], check=True)


def make_big(path):
    with open(path + ".part", "wb") as f:
        chunk = os.urandom(1 << 24)
        for i in range(BIG_SIZE >> 24):
            f.write(chunk[i:] + chunk[:i])
    os.utime(path + ".part", ns=(1_650_000_000_987_654_321,) * 2)
    os.rename(path + ".part", path)


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        while block := f.read(1 << 20):
            h.update(block)
    return h.hexdigest()


def describe(path):
    """What a copy keeps of each object, by relative path."""
    result = {}
    if not os.path.isdir(path) or os.path.islink(path):
        st = os.lstat(path)
        attrs = {a: os.getxattr(path, a) for a in os.listxattr(path) if a.startswith("user.")}
        return {".": (digest(path), st.st_mode, st.st_mtime_ns, attrs)}
    for folder, dirs, files in os.walk(path):
        for name in [None] + dirs + files:
            full = folder if name is None else os.path.join(folder, name)
            if name is None and folder != path:
                continue
            st = os.lstat(full)
            rel = os.path.relpath(full, path)
            attrs = {}
            if not os.path.islink(full):
                for a in os.listxattr(full, follow_symlinks=False):
                    if a.startswith("user."):
                        attrs[a] = os.getxattr(full, a, follow_symlinks=False)
            if os.path.islink(full):
                data = os.readlink(full)
            elif os.path.isdir(full):
                data = None
            else:
                data = digest(full)
            result[rel] = (data, st.st_mode, st.st_mtime_ns, attrs)
    return result


def ticks(ns):
    return (ns // 1_000_000_000) * 65536 + (ns % 1_000_000_000) * 65536 // 1_000_000_000


def compare(ours, theirs):
    a, b = describe(ours), describe(theirs)
    problems = []
    exact_times = 0
    if set(a) != set(b):
        problems.append(f"different objects: {sorted(set(a) ^ set(b))[:5]}")
    for rel in sorted(set(a) & set(b)):
        (da, ma, ta, xa), (db, mb, tb, xb) = a[rel], b[rel]
        if da != db:
            problems.append(f"{rel}: contents differ")
        if ma != mb:
            problems.append(f"{rel}: mode {oct(ma)} vs {oct(mb)}")
        if ticks(ta) != ticks(tb):
            problems.append(f"{rel}: mtime {ta} vs {tb}")
        exact_times += ta == tb
        if xa != xb:
            problems.append(f"{rel}: user attributes differ")
    return len(a), problems, exact_times


def bench(name, source, work, filecopy, runs, keep_copies):
    outputs = os.path.join(work, "outputs")
    remove(outputs)
    os.makedirs(outputs)
    times_ours, times_cp, cpu_ours, cpu_cp = [], [], [], []
    for i in range(runs):
        # Fresh destinations; earlier copies of many files stay until the end
        # (see above), earlier copies of one big file would only fill the disk.
        ours = os.path.join(outputs, f"filecopy-{i}")
        theirs = os.path.join(outputs, f"cp-{i}")
        if not keep_copies and i > 0:
            remove(os.path.join(outputs, f"filecopy-{i - 1}"))
            remove(os.path.join(outputs, f"cp-{i - 1}"))
        if i % 2 == 0:
            t_ours, c_ours = run_timed([filecopy, source, ours])
            t_cp, c_cp = run_timed(["cp", "-a", source, theirs])
        else:
            t_cp, c_cp = run_timed(["cp", "-a", source, theirs])
            t_ours, c_ours = run_timed([filecopy, source, ours])
        times_ours.append(t_ours)
        times_cp.append(t_cp)
        cpu_ours.append(c_ours)
        cpu_cp.append(c_cp)
        first = "FileCopy" if i % 2 == 0 else "cp -a"
        print(f"  run {i + 1} ({first} first): FileCopy {t_ours:.3f} s (cpu {c_ours:.3f} s), "
              f"cp -a {t_cp:.3f} s (cpu {c_cp:.3f} s)")
    best_ours, best_cp = min(times_ours), min(times_cp)
    med_ours, med_cp = statistics.median(times_ours), statistics.median(times_cp)
    count, problems, exact = compare(ours, theirs)
    print(f"{name}: best FileCopy {best_ours:.3f} s, cp -a {best_cp:.3f} s, "
          f"ratio {best_ours / best_cp:.2f} (median {med_ours:.3f} / {med_cp:.3f} = "
          f"{med_ours / med_cp:.2f}; goal <= 1.20)")
    print(f"{name}: best cpu time FileCopy {min(cpu_ours):.3f} s, cp -a {min(cpu_cp):.3f} s, "
          f"ratio {min(cpu_ours) / min(cpu_cp):.2f}")
    print(f"{name}: kept alike in {count - len(problems)} of {count} objects "
          f"(contents, mode, mtime at 1/65536 s, user. attributes); "
          f"{exact} of {count} mtimes equal to the nanosecond")
    for p in problems[:10]:
        print(f"  differs: {p}")
    remove(outputs)
    return not problems


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    subprocess.run(["cmake", "--build", build, "--target", "FileCopy", "-j", "2"], check=True,
                   stdout=subprocess.DEVNULL)
    filecopy = os.path.join(build, "bin", "FileCopy")
    work = os.path.join(build, "bench-copy")
    os.makedirs(work, exist_ok=True)
    tree = os.path.join(work, "small")
    if not os.path.exists(tree + ".stamp"):
        remove(tree)
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "make_tree.py"),
                        tree], check=True)
        open(tree + ".stamp", "w").close()
    big = os.path.join(work, "big.bin")
    if not os.path.exists(big):
        print("writing the 1 GiB file...")
        make_big(big)
    ok = bench("5,000 small files", tree, work, filecopy, runs, keep_copies=True)
    ok = bench("one 1 GiB file", big, work, filecopy, runs, keep_copies=False) and ok
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
