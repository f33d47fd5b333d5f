#!/usr/bin/env bash
# Extraction benchmark: times `zpack extract` of a generated tree (about
# 200 MB in 5,000 files, text and binary, made by ensure_tree.sh) against `tar -xzf` of the same tree
# packed with gzip -9, alternating runs, and prints the best wall-clock and
# CPU time of each and the ratios zpack/tar (goal: wall ratio <= 1.0). Both
# outputs are compared once.
#
#   bench/extract/run.sh [BUILD_DIR] [RUNS]     (defaults: build, 5)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
runs=${2:-5}
cmake --build "$build" --target zpack bench_extract_pack -j 2 >/dev/null
work="$build/bench-extract"
mkdir -p "$work"

tree=$(bench/extract/ensure_tree.sh "$build")
# The archives are made again whenever the tree is newer than they are.
[ "$work/tree.zpk" -nt "$tree.stamp" ] || "$build/bin/bench_extract_pack" "$tree" "$work/tree.zpk"
[ "$work/tree.tar.gz" -nt "$tree.stamp" ] ||
  tar -C "$(dirname "$tree")" -cf - tree | gzip -9 > "$work/tree.tar.gz"

less() { awk "BEGIN{exit !($1 < $2)}"; }
# Runs a command and prints "wall cpu" seconds (cpu = user + system,
# children included).
timed() {
  local TIMEFORMAT='%R %U %S' out
  out=$( { time "$@" >/dev/null; } 2>&1 | tail -n 1)
  awk -v o="$out" 'BEGIN{split(o, a, " "); printf "%.3f %.3f\n", a[1], a[2] + a[3]}'
}
best_zpack=""
best_tar=""
cpu_zpack=""
cpu_tar=""
walls_zpack=()
walls_tar=()
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
# Each command starts from the same state: its output folder removed and all
# dirty data written out first. The order alternates between runs, since the
# first command after a large deletion tends to pay for it.
run_zpack() {
  rm -rf "$work/out-zpack"; mkdir -p "$work/out-zpack"; sync
  read -r z zc < <(timed "$build/bin/zpack" extract "$work/tree.zpk" -C "$work/out-zpack")
}
run_tar() {
  rm -rf "$work/out-tar"; mkdir -p "$work/out-tar"; sync
  read -r t tc < <(timed tar -xzf "$work/tree.tar.gz" -C "$work/out-tar")
}
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then run_zpack; run_tar; else run_tar; run_zpack; fi
  printf 'run %d: zpack extract %.3f s (cpu %.3f s), tar -xzf %.3f s (cpu %.3f s)\n' \
    "$i" "$z" "$zc" "$t" "$tc"
  walls_zpack+=("$z"); walls_tar+=("$t")
  if [ -z "$best_zpack" ] || less "$z" "$best_zpack"; then best_zpack=$z; fi
  if [ -z "$best_tar" ] || less "$t" "$best_tar"; then best_tar=$t; fi
  if [ -z "$cpu_zpack" ] || less "$zc" "$cpu_zpack"; then cpu_zpack=$zc; fi
  if [ -z "$cpu_tar" ] || less "$tc" "$cpu_tar"; then cpu_tar=$tc; fi
done
diff -r "$work/out-zpack" "$work/out-tar" >/dev/null || { echo "outputs differ" >&2; exit 1; }
files=$(find "$work/out-tar" -type f | wc -l)
bytes=$(du -sb "$work/out-tar" | cut -f1)
printf 'tree: %d files, %d bytes; zpack archive %d bytes, tar.gz %d bytes\n' "$files" "$bytes" \
  "$(stat -c %s "$work/tree.zpk")" "$(stat -c %s "$work/tree.tar.gz")"
printf 'best wall: zpack extract %.3f s, tar -xzf %.3f s, ratio zpack/tar %.2f\n' \
  "$best_zpack" "$best_tar" "$(awk "BEGIN{print $best_zpack / $best_tar}")"
mz=$(median "${walls_zpack[@]}"); mt=$(median "${walls_tar[@]}")
printf 'median wall: zpack extract %.3f s, tar -xzf %.3f s, ratio zpack/tar %.2f\n' \
  "$mz" "$mt" "$(awk "BEGIN{print $mz / $mt}")"
printf 'best cpu:  zpack extract %.3f s, tar -xzf %.3f s, ratio zpack/tar %.2f\n' \
  "$cpu_zpack" "$cpu_tar" "$(awk "BEGIN{print $cpu_zpack / $cpu_tar}")"
rm -rf "$work/out-zpack" "$work/out-tar"
