#!/usr/bin/env bash
# Whole-program figures of the automatic export: `orbelon -a` from process start to "yp.bmp"
# complete, with 15 series of 20 years of daily data (target: at most 0.03 s beyond the 0.18 s of
# the window's timers and loop), and the processor use of the idle window afterwards over 5 s
# (target: under 2 % of one core).
#   bench/auto_export.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORBELON_BUILD:-build}  # another build folder: ORBELON_BUILD=build-perf
cmake --build "$build" --target orbelon bench_folder auto_export_bench >/dev/null
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$build"/bench/bench_folder "$folder"
env -u DISPLAY -u WAYLAND_DISPLAY "$build"/bench/auto_export_bench "$PWD/$build/orbelon" "$folder" "${1:-10}" 5
