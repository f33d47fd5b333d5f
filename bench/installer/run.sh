#!/usr/bin/env bash
# Installer benchmark: installs a module of about 100 MB in 2,000 files for
# the current user through the real installer (the demo bundle with this
# module as saver.bin, walked through its pages by the preloaded driver on
# Qt's offscreen platform), against `tar -xzf` of the same module followed by
# `cp -a` into place, alternating runs. Prints every run, the best of each,
# their ratio (goal: at most 1.2) and the main thread's CPU share during the
# installation (goal: at most 5% of one core).
#
# The installer's time is taken twice: the installation itself (from the
# press on the user-choice page to the finished page, measured inside the
# process) and the whole run (start of the process to its end, all pages
# included).
#
#   bench/installer/run.sh [BUILD_DIR] [RUNS]     (defaults: build, 3)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
runs=${2:-3}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target zv_demo_bundle zv_installer_driver zpack -j 2 >/dev/null
work=$(realpath "$build")/bench-installer
bundle="$(realpath "$build")/demo/Driftwood Installer"
mkdir -p "$work"

if [ ! -f "$work/module.stamp" ]; then
  echo "generating the module..."
  rm -rf "$work/module" "$work/saver.bin" "$work/module.tar.gz"
  python3 bench/installer/make_module.py "$work/module"
  touch "$work/module.stamp"
fi
[ -f "$work/saver.bin" ] || "$build/bin/zpack" create "$work/saver.bin" "$work/module/Bench.saver"
[ -f "$work/module.tar.gz" ] || tar -C "$work/module" -czf "$work/module.tar.gz" Bench.saver

# The demo bundle with the benchmark's module.
rm -rf "$work/bundle"
cp -a "$bundle" "$work/bundle"
cp "$work/saver.bin" "$work/bundle/Resources/saver.bin"

# A private environment: the user's data folder receives the module; the
# local data folder holds the plug-in folder the installer looks for.
env_dir="$work/env"
rm -rf "$env_dir"
mkdir -p "$env_dir/data" "$env_dir/local/Internet Plug-Ins/Flash Player.plugin" \
  "$env_dir/config" "$env_dir/tmp" "$work/peer"
dest="$env_dir/data/Screen Savers"

now() { date +%s.%N; }
less() { awk "BEGIN{exit !($1 < $2)}"; }
fact() { sed -n "s/^$1=//p" "$work/report"; }

# run_installer: one whole run of the installer; sets whole, install, share.
run_installer() {
  rm -rf "$dest" "$work/report"
  sync
  local t0 t1
  t0=$(now)
  env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
    XDG_DATA_HOME="$env_dir/data" XDG_DATA_DIRS="$env_dir/local:/usr/share" \
    XDG_CONFIG_HOME="$env_dir/config" TMPDIR="$env_dir/tmp" \
    ZV_DRIVER_REPORT="$work/report" LD_PRELOAD="$(realpath "$build")/lib/libzv_installer_driver.so" \
    "$work/bundle/installer" >/dev/null 2>"$work/installer.err"
  t1=$(now)
  if [ "$(fact last)" != finished ]; then
    echo "the installation did not finish:" >&2
    cat "$work/report" "$work/installer.err" >&2
    exit 1
  fi
  whole=$(awk "BEGIN{print $t1 - $t0}")
  install=$(fact install_s)
  share=$(fact install_main_cpu_share)
}

# run_peer: tar -xzf into a temporary folder, then cp -a into place; sets peer.
run_peer() {
  rm -rf "$work/peer-dest" "$work/peer-tmp"
  mkdir -p "$work/peer-dest/Screen Savers" "$work/peer-tmp"
  sync
  local t0 t1
  t0=$(now)
  tar -xzf "$work/module.tar.gz" -C "$work/peer-tmp"
  cp -a "$work/peer-tmp/Bench.saver" "$work/peer-dest/Screen Savers/"
  t1=$(now)
  peer=$(awk "BEGIN{print $t1 - $t0}")
}

best_run="" best_install="" best_peer="" share_of_best=""
for ((i = 1; i <= runs; i++)); do
  # Alternate which goes first, so that neither always meets the other's
  # writes still being flushed.
  if ((i % 2)); then
    run_installer
    run_peer
  else
    run_peer
    run_installer
  fi
  printf 'run %d: installer %.3f s (installation %.3f s, main thread %.1f%% of a core), tar -xzf + cp -a %.3f s\n' \
    "$i" "$whole" "$install" "$(awk "BEGIN{print $share * 100}")" "$peer"
  if [ -z "$best_install" ] || less "$install" "$best_install"; then
    best_install=$install
    share_of_best=$share
  fi
  if [ -z "$best_run" ] || less "$whole" "$best_run"; then best_run=$whole; fi
  if [ -z "$best_peer" ] || less "$peer" "$best_peer"; then best_peer=$peer; fi
done

diff -r "$dest/Bench.saver" "$work/peer-dest/Screen Savers/Bench.saver" >/dev/null ||
  { echo "the two installations differ" >&2; exit 1; }
printf 'module: %d files, %d bytes; saver.bin %d bytes, module.tar.gz %d bytes\n' \
  "$(find "$dest/Bench.saver" -type f | wc -l)" "$(du -sb "$dest/Bench.saver" | cut -f1)" \
  "$(stat -c %s "$work/saver.bin")" "$(stat -c %s "$work/module.tar.gz")"
printf 'best: installation %.3f s, whole installer run %.3f s, tar -xzf + cp -a %.3f s\n' \
  "$best_install" "$best_run" "$best_peer"
printf 'ratio installation/peer %.2f, whole run/peer %.2f (goal <= 1.2); main thread %.1f%% of a core during the installation (goal <= 5%%)\n' \
  "$(awk "BEGIN{print $best_install / $best_peer}")" "$(awk "BEGIN{print $best_run / $best_peer}")" \
  "$(awk "BEGIN{print $share_of_best * 100}")"
rm -rf "$dest" "$work/peer-dest" "$work/peer-tmp"
