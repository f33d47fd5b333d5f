#!/usr/bin/env bash
# Create benchmark: times `zpack create` of the extraction benchmark's tree
# (about 200 MB in 5,000 files, made by bench/extract/ensure_tree.sh) against
# `tar -cf - DIR | gzip -9` and against the single-threaded two-pass writer
# (bench_create_twopass), in turn within each run, and prints the best time
# of each and the ratios (goal: zpack/tar <= 0.6 on a 2-core machine). zpack
# pays for flushing its archive to the disk before putting it in place; the
# peers do not flush.
#
#   bench/create/run.sh [BUILD_DIR] [RUNS]     (defaults: build, 3)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
runs=${2:-3}
cmake --build "$build" --target zpack bench_create_twopass -j 2 >/dev/null
work="$build/bench-create"
mkdir -p "$work"
tree=$(bench/extract/ensure_tree.sh "$build")

now() { date +%s.%N; }
less() { awk "BEGIN{exit !($1 < $2)}"; }
best_zpack=""
best_tar=""
best_two=""
for ((i = 1; i <= runs; i++)); do
  rm -f "$work/tree.zpk" "$work/tree.tar.gz" "$work/twopass.zpk"
  sync
  t0=$(now); "$build/bin/zpack" create "$work/tree.zpk" "$tree"; t1=$(now)
  tar -C "$(dirname "$tree")" -cf - tree | gzip -9 > "$work/tree.tar.gz"; t2=$(now)
  "$build/bin/bench_create_twopass" "$work/twopass.zpk" "$tree"; t3=$(now)
  z=$(awk "BEGIN{print $t1 - $t0}")
  t=$(awk "BEGIN{print $t2 - $t1}")
  w=$(awk "BEGIN{print $t3 - $t2}")
  printf 'run %d: zpack create %.3f s, tar | gzip -9 %.3f s, two-pass %.3f s\n' "$i" "$z" "$t" "$w"
  if [ -z "$best_zpack" ] || less "$z" "$best_zpack"; then best_zpack=$z; fi
  if [ -z "$best_tar" ] || less "$t" "$best_tar"; then best_tar=$t; fi
  if [ -z "$best_two" ] || less "$w" "$best_two"; then best_two=$w; fi
done
"$build/bin/zpack" verify "$work/tree.zpk" >/dev/null || { echo "zpack archive damaged" >&2; exit 1; }
files=$(find "$tree" -type f | wc -l)
bytes=$(du -sb "$tree" | cut -f1)
printf 'tree: %d files, %d bytes; zpack archive %d bytes, two-pass archive %d bytes, tar.gz %d bytes\n' \
  "$files" "$bytes" "$(stat -c %s "$work/tree.zpk")" "$(stat -c %s "$work/twopass.zpk")" \
  "$(stat -c %s "$work/tree.tar.gz")"
printf 'best: zpack create %.3f s, tar | gzip -9 %.3f s, two-pass %.3f s\n' \
  "$best_zpack" "$best_tar" "$best_two"
printf 'ratio zpack/tar %.2f (goal <= 0.6), zpack/two-pass %.2f\n' \
  "$(awk "BEGIN{print $best_zpack / $best_tar}")" "$(awk "BEGIN{print $best_zpack / $best_two}")"
# Both writers draw the same key and name digits from the unseeded rand(), so
# their archives match byte for byte unless a file's access time moved between
# the two catalogues.
if cmp -s "$work/tree.zpk" "$work/twopass.zpk"; then same=yes; else same=no; fi
printf 'zpack and two-pass archives identical: %s\n' "$same"
rm -f "$work/tree.tar.gz" "$work/twopass.zpk"
