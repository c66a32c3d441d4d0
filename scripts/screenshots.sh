#!/usr/bin/env bash
# Redraws the README's pictures, docs/screenshots/{title,play,game_over}.png:
# velkari-replay runs docs/screenshots/screenshots.replay headless and writes
# the frames as BMP files, ImageMagick turns them into small PNGs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
cmake --preset default >/dev/null
cmake --build --preset default --target velkari-replay >/dev/null
out=docs/screenshots
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/default/bin/velkari-replay --script "$out/screenshots.replay" \
  --frame "2:$work/title.bmp" --frame "190:$work/play.bmp" --frame "10840:$work/game_over.bmp"
for name in title play game_over; do
  # No time stamps, so that an unchanged picture gives an unchanged file.
  convert "$work/$name.bmp" -strip -define png:exclude-chunks=date,time "$out/$name.png"
  echo "$out/$name.png"
done
