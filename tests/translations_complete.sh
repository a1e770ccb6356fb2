#!/usr/bin/env bash
# Every text a user sees has its English translation: Qt's lupdate reads the sources into a copy
# of translations/orbelon_en.ts; a text that is new (or changed) there comes out unfinished, and
# then this check fails and names it. A text that went away is left as vanished, which is no
# failure (lupdate -no-obsolete drops such entries from the real file).
#   translations_complete.sh SOURCE_DIR LUPDATE
set -euo pipefail
source_dir=$1
lupdate=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$source_dir/translations/orbelon_en.ts" "$scratch/orbelon_en.ts"
"$lupdate" -silent -locations none "$source_dir/src" -ts "$scratch/orbelon_en.ts"
unfinished=$(grep -c 'type="unfinished"' "$scratch/orbelon_en.ts" || true)
if [ "$unfinished" -gt 0 ]; then
  echo "texts without an English translation in translations/orbelon_en.ts ($unfinished):"
  grep -B1 'type="unfinished"' "$scratch/orbelon_en.ts" | grep '<source>' | sed 's/^ *//'
  echo "run: $lupdate -locations none src -ts translations/orbelon_en.ts, then translate them"
  exit 1
fi
echo "translations complete: $(grep -c '<message>' "$scratch/orbelon_en.ts") texts"
