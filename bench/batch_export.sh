#!/usr/bin/env bash
# Whole-program figure of the batch export: three PNG charts (UT1R, Xp, Yp) at 1280 x 800 from 15
# series of 20 years of daily data, from process start to exit (target: at most 0.055 s).
#   bench/batch_export.sh [RUNS [ARGS...]]     ARGS replace the default options
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORBELON_BUILD:-build}  # another build folder: ORBELON_BUILD=build-perf
cmake --build "$build" --target orbelon bench_folder batch_export_bench >/dev/null
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$build"/bench/bench_folder "$folder"
runs=${1:-10}
shift || true
[ $# -gt 0 ] || set -- --parameters ut1r,xp,yp --format png --size 1280x800
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build"/bench/batch_export_bench "$PWD/$build/orbelon" "$folder" "$runs" "$@"
