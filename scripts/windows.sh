#!/usr/bin/env bash
# Cross-builds the Windows programs (velkari.exe, velkari-mml.exe,
# velkari-replay.exe) with MinGW-w64 into build/windows/bin, and, with --zip,
# the player's zip (build/windows/velkari-VERSION-win64.zip, VERSION the
# project's, from CMakeLists.txt). The picture
# generator is built for this machine on the way. Installs what is missing.
#   scripts/windows.sh [--zip]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
scripts/setup.sh --windows
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
if [ "${1:-}" = "--zip" ]; then
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
  (cd build/windows && cpack -G ZIP >/dev/null && ls -l "velkari-$version-win64.zip")
fi
