#!/usr/bin/env bash
# Rewrites tests/game/golden/frames.sha256 from velkari-replay's pictures of
# the golden frames, after an intended change of the art or the drawing:
#   tests/game/regen_golden.sh BIN_DIR [KEEP_DIR]
# BIN_DIR holds velkari-replay and img/; KEEP_DIR, if given, receives the BMPs
# to look at. Review the pictures before committing the new hashes.
set -euo pipefail
bin=${1:?usage: regen_golden.sh BIN_DIR [KEEP_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
golden=$here/golden
work=${2:-$(mktemp -d)}
mkdir -p "$work"
frames=(title:2 first_play:35 pause:56 game_over:10846)
args=()
for f in "${frames[@]}"; do args+=(--frame "${f#*:}:$work/${f%%:*}.bmp"); done
"$bin/velkari-replay" --script "$golden/golden.replay" "${args[@]}"
{
  echo "# NAME FRAME SHA256 of velkari-replay's BMP of that frame of golden.replay."
  echo "# Written by tests/game/regen_golden.sh; do not edit by hand."
  for f in "${frames[@]}"; do
    name=${f%%:*}
    echo "$name ${f#*:} $(sha256sum "$work/$name.bmp" | cut -d' ' -f1)"
  done
} >"$golden/frames.sha256"
cat "$golden/frames.sha256"
echo "pictures in $work"
