#!/usr/bin/env bash
# Makes the tree that the extraction and create benchmarks share (about 200 MB
# in 5,000 files, by make_tree.py) once, as BUILD_DIR/bench-tree/tree, and
# prints its path. The stamp beside it, tree.stamp, is newer than anything
# made from an earlier tree; a tree left half-made is made again.
#
#   bench/extract/ensure_tree.sh BUILD_DIR
set -euo pipefail
dir="$1/bench-tree"
if [ ! -f "$dir/tree.stamp" ]; then
  echo "generating tree..." >&2
  rm -rf "$dir/tree"
  mkdir -p "$dir"
  python3 "$(dirname "$0")/make_tree.py" "$dir/tree"
  touch "$dir/tree.stamp"
fi
echo "$dir/tree"
