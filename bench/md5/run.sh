#!/usr/bin/env bash
# Builds and runs the MD5 benchmark: md5_append + md5_finish over 1 MiB and over
# 64-byte messages against OpenSSL's MD5 in the same run, then prints the
# throughput ratio ours/OpenSSL (goal: at least 0.95 on 1 MiB).
#
#   bench/md5/run.sh [build-dir] [Google Benchmark flags...]
#
# The build directory defaults to build/ (configured as Release here if it does
# not exist yet). Extra flags go to the benchmark, e.g.
#   bench/md5/run.sh build --benchmark_min_time=2
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
[ $# -gt 0 ] && shift
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target md5_bench >/dev/null
exec "$build/bin/md5_bench" "$@"
