#!/usr/bin/env bash
# Extraction benchmark: times `zpack extract` of a generated tree (about
# 200 MB in 5,000 files, text and binary) against `tar -xzf` of the same tree
# packed with gzip -9, alternating runs, and prints the best time of each and
# the ratio zpack/tar (goal: <= 1.0). Both outputs are compared once.
#
#   bench/extract/run.sh [BUILD_DIR] [RUNS]     (defaults: build, 5)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
runs=${2:-5}
cmake --build "$build" --target zpack bench_extract_pack -j 2 >/dev/null
work="$build/bench-extract"
mkdir -p "$work"

if [ ! -f "$work/tree.stamp" ]; then
  echo "generating tree..."
  rm -rf "$work/src"
  python3 bench/extract/make_tree.py "$work/src/tree"
  touch "$work/tree.stamp"
  rm -f "$work/tree.zpk" "$work/tree.tar.gz"
fi
[ -f "$work/tree.zpk" ] || "$build/bin/bench_extract_pack" "$work/src/tree" "$work/tree.zpk"
[ -f "$work/tree.tar.gz" ] || tar -C "$work/src" -cf - tree | gzip -9 > "$work/tree.tar.gz"

now() { date +%s.%N; }
less() { awk "BEGIN{exit !($1 < $2)}"; }
best_zpack=""
best_tar=""
for ((i = 1; i <= runs; i++)); do
  rm -rf "$work/out-zpack" "$work/out-tar"
  mkdir -p "$work/out-zpack" "$work/out-tar"
  sync
  t0=$(now); "$build/bin/zpack" extract "$work/tree.zpk" -C "$work/out-zpack"; t1=$(now)
  tar -xzf "$work/tree.tar.gz" -C "$work/out-tar"; t2=$(now)
  z=$(awk "BEGIN{print $t1 - $t0}"); t=$(awk "BEGIN{print $t2 - $t1}")
  printf 'run %d: zpack extract %.3f s, tar -xzf %.3f s\n' "$i" "$z" "$t"
  if [ -z "$best_zpack" ] || less "$z" "$best_zpack"; then best_zpack=$z; fi
  if [ -z "$best_tar" ] || less "$t" "$best_tar"; then best_tar=$t; fi
done
diff -r "$work/out-zpack" "$work/out-tar" >/dev/null || { echo "outputs differ" >&2; exit 1; }
files=$(find "$work/out-tar" -type f | wc -l)
bytes=$(du -sb "$work/out-tar" | cut -f1)
printf 'tree: %d files, %d bytes; zpack archive %d bytes, tar.gz %d bytes\n' "$files" "$bytes" \
  "$(stat -c %s "$work/tree.zpk")" "$(stat -c %s "$work/tree.tar.gz")"
printf 'best: zpack extract %.3f s, tar -xzf %.3f s, ratio zpack/tar %.2f\n' \
  "$best_zpack" "$best_tar" "$(awk "BEGIN{print $best_zpack / $best_tar}")"
rm -rf "$work/out-zpack" "$work/out-tar"
