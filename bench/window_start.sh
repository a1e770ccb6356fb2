#!/usr/bin/env bash
# Whole-program figures of the window's start on demo data for today: from process start to the
# chart's first painted frame, offscreen, and the run's minor page faults (medians).
#   bench/window_start.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORBELON_BUILD:-build}  # another build folder: ORBELON_BUILD=build-perf
cmake --build "$build" --target window_start process_bench make_demo_data >/dev/null
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$build"/make_demo_data "$folder" >/dev/null
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
  "$build"/bench/process_bench "$folder" "${1:-10}" "$PWD/$build/bench/window_start"
