#!/usr/bin/env bash
# The batch export against a peer drawing the same three charts: `orbelon --export` of the UT1R, Xp
# and Yp charts as 1280 x 800 PNG, and one gnuplot run (pngcairo) drawing the same points (the
# month view of today, trend removed, 15 series of the 20-year bench data) with lines, markers, a
# legend, a grid and date labels. The two are run in turn, start to exit, so that both see the same
# state of the machine; the medians and the median of the pairwise ratios are printed (target: the
# batch export at most 0.35 of the peer). The peer reads only the points drawn, not the data files.
#   bench/gnuplot_peer.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORBELON_BUILD:-build}  # another build folder: ORBELON_BUILD=build-perf
if ! command -v gnuplot >/dev/null; then
  # Debian's gnuplot without X has the cairo terminals.
  if [ "$(id -u)" = 0 ]; then apt-get install -y --no-install-recommends gnuplot-nox >/dev/null
  else sudo apt-get install -y --no-install-recommends gnuplot-nox >/dev/null; fi
fi
cmake --build "$build" --target orbelon bench_folder >/dev/null
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$build"/bench/bench_folder "$folder" --points >/dev/null
mkdir -p "$folder/out" "$folder/peer"

{
  echo 'set terminal pngcairo size 1280,800 font "DejaVu Sans,9"'
  echo 'set xdata time; set timefmt "%s"; set format x "%d.%m.%y"; set xtics 7*86400'
  echo 'set grid xtics ytics dt 4 lc rgb "#808080"; set key outside right top box'
  echo 'set style line 1 lc rgb "#ff0000" lw 1 pt 5 ps 0.8'
  colours=(ff0000 00a000 0000ff ff00ff 00c0c0 c0c000 800000 008000 000080 800080 008080 808000 ff8000 0080ff 8000ff)
  for i in $(seq 2 15); do echo "set style line $i lc rgb \"#${colours[$((i - 1))]}\" lw 1 pt 13 ps 0.8"; done
  for name in utr xp yp; do
    echo "set output \"peer/$name.png\""
    echo "plot for [i=0:14] \"points_$name.dat\" index i using ((\$1-40587)*86400):2 with linespoints ls (i+1) title sprintf(\"Series%d\", i+1)"
  done
} >"$folder/charts.gp"

runs=${1:-10}
# Both programs are started the same way, straight from this shell: the export draws offscreen
# without a display, and gnuplot's PNG terminal needs none.
unset DISPLAY WAYLAND_DISPLAY
batch=("$PWD/$build/orbelon" --export out --parameters ut1r,xp,yp --format png --size 1280x800)
peer=(gnuplot charts.gp)
# gnuplot warns of the flat pole charts (trend removed) on standard error: kept in peer.log.
(cd "$folder" && "${batch[@]}" >/dev/null && "${peer[@]}" 2>>peer.log)  # warm-up
for f in utr xp yp; do [ -s "$folder/out/$f.png" ] && [ -s "$folder/peer/$f.png" ] || { echo "no $f.png"; exit 1; }; done
: >"$folder/times"
for _ in $(seq 1 "$runs"); do
  cd "$folder"
  start=$EPOCHREALTIME
  "${batch[@]}" >/dev/null
  middle=$EPOCHREALTIME
  "${peer[@]}" 2>>peer.log
  end=$EPOCHREALTIME
  cd - >/dev/null
  echo "$start $middle $end" >>"$folder/times"
done
awk '{ a = $2 - $1; b = $3 - $2; print a, b, a / b }' "$folder/times" | sort -n -k1 | awk '{ print $1 }' >"$folder/a"
awk '{ a = $2 - $1; b = $3 - $2; print a, b, a / b }' "$folder/times" | sort -n -k2 | awk '{ print $2 }' >"$folder/b"
awk '{ a = $2 - $1; b = $3 - $2; print a / b }' "$folder/times" | sort -n >"$folder/r"
median() { awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }' "$1"; }
printf 'over %d runs each, in turn: orbelon --export median %.3f s, gnuplot median %.3f s, ratio median %.3f\n' \
  "$runs" "$(median "$folder/a")" "$(median "$folder/b")" "$(median "$folder/r")"
