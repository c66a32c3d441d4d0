#!/usr/bin/env bash
# The desktop icons are exact whole-number enlargements of the window icons:
# each hicolor PNG, read by ImageMagick, equals its 16 or 32 pixel BMP
# enlarged by pixel repetition. A bad scale is refused.
#   check_icons.sh VELKARI_ART ICON_DIR SOURCE_DIR
set -euo pipefail
art=$1 icons=$2 src=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
for row in 16:16:1 32:32:1 48:16:3 64:32:2 128:32:4 256:32:8; do
  IFS=: read -r size base scale <<<"$row"
  png=$icons/hicolor/${size}x${size}/apps/velkari.png
  [ "$(identify -format '%m %wx%h' "$png")" = "PNG ${size}x${size}" ] || { echo "$png: not a ${size}px PNG"; fail=1; }
  convert "$icons/velkari$base.bmp" -sample "$((scale * 100))%" "$work/ref.png"
  n=$(compare -metric AE "$png" "$work/ref.png" null: 2>&1 || true)
  [ "$n" = 0 ] || { echo "$png: $n pixels differ from velkari$base.bmp enlarged $scale times"; fail=1; }
done
for bad in 0 65 x; do
  rc=0
  "$art" --png "$bad" "$src/res/art/icon16.txt" "$work/bad.png" 2>/dev/null || rc=$?
  [ "$rc" = 1 ] || { echo "--png $bad: status $rc, expected 1"; fail=1; }
done
[ "$fail" = 0 ] && echo "6 icons exact, bad scales refused"
exit "$fail"
