#!/usr/bin/env bash
# Rewrites the golden frame hashes from velkari-replay's pictures, after an
# intended change of the art or the drawing:
#   tests/game/golden/frames.sha256     frames of golden.replay
#   tests/game/golden/about_box.sha256  the About box over stage 1 (replays/about_box.replay)
#   tests/game/regen_golden.sh BIN_DIR [KEEP_DIR]
# BIN_DIR holds velkari-replay and img/; KEEP_DIR, if given, receives the BMPs
# to look at. Review the pictures before committing the new hashes.
set -euo pipefail
bin=${1:?usage: regen_golden.sh BIN_DIR [KEEP_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
golden=$here/golden
work=${2:-$(mktemp -d)}
mkdir -p "$work"

# regen SCRIPT HASHES NAME:FRAME...
regen() {
  local script=$1 hashes=$2 f name
  shift 2
  local args=()
  for f in "$@"; do args+=(--frame "${f#*:}:$work/${f%%:*}.bmp"); done
  "$bin/velkari-replay" --script "$script" "${args[@]}"
  {
    echo "# NAME FRAME SHA256 of velkari-replay's BMP of that frame of $(basename "$script")."
    echo "# Written by tests/game/regen_golden.sh; do not edit by hand."
    for f in "$@"; do
      name=${f%%:*}
      echo "$name ${f#*:} $(sha256sum "$work/$name.bmp" | cut -d' ' -f1)"
    done
  } >"$hashes"
  cat "$hashes"
}
regen "$golden/golden.replay" "$golden/frames.sha256" title:2 first_play:35 pause:56 game_over:10846
regen "$here/replays/about_box.replay" "$golden/about_box.sha256" about_box:40
echo "pictures in $work"
