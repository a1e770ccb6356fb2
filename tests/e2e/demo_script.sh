#!/usr/bin/env bash
# scripts/demo without a display, on a pinned day: demo data for that day, the automatic export,
# three charts as BMP and PNG, and no viewer left running.
#   demo_script.sh TOP ORBELON MAKE_DEMO_DATA TO_PNG
# scripts/demo runs the programs of TOP/build/; the test runs it from a scratch tree whose build/
# holds links to the programs of the build the test belongs to (build-asan/, for one), so it needs
# no build/ and never runs another build's programs.
set -euo pipefail
top=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -p "$folder/tree/scripts" "$folder/tree/build"
ln -s "$top/scripts/demo" "$folder/tree/scripts/demo"
ln -s "$2" "$folder/tree/build/orbelon"
ln -s "$3" "$folder/tree/build/make_demo_data"
ln -s "$4" "$folder/tree/build/to_png"
env -u DISPLAY -u WAYLAND_DISPLAY ORBELON_DEMO_DIR="$folder/demo" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  faketime '2025-03-12 10:00:00' "$folder/tree/scripts/demo" --no-setup >"$folder/out.txt"
cat "$folder/out.txt"
grep -q 'for 2025-03-12' "$folder/out.txt"
for name in utr xp yp; do
  [ -s "$folder/demo/$name.bmp" ] || { echo "no $name.bmp"; exit 1; }
  [ "$(head -c 8 "$folder/demo/$name.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || { echo "$name.png is no PNG"; exit 1; }
done
for pid in $(pgrep -x orbelon || true); do
  if [ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" = "$folder/demo" ]; then
    echo "the viewer is still running"
    exit 1
  fi
done
echo "1 passed, 0 failed"
