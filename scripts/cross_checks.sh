#!/usr/bin/env bash
# The ARM builds and their checks, after the default (x86-64) build:
#  - presets linux-arm64 and linux-armhf: the tools and the unit tests
#    cross-built with Debian's compilers; ctest runs the unit, replay and tool
#    tests under qemu-user, and cross_same_output_as_host compares their
#    velkari-replay and velkari-mml with HOST_BIN's byte for byte
#    (tests/cross/same_output.sh);
#  - preset linux-arm64-deb: the SDL2 game cross-built against Debian's
#    arm64 libraries (multiarch) and packaged (velkari_VERSION_arm64.deb and
#    the others), each package's Depends read from its arm64 programs and
#    lintian reporting nothing.
# The pictures are drawn by HOST_BIN's velkari-art. Each part prints its time.
#   scripts/cross_checks.sh [HOST_BIN]     (default build/default/bin)
#   PRESETS=linux-armhf scripts/cross_checks.sh   only these test presets (none: PRESETS=)
#   NO_DEB=1 scripts/cross_checks.sh              without the arm64 package
set -euo pipefail
cd "$(dirname "$0")/.."
host=$(realpath "${1:-build/default/bin}")
jobs=${JOBS:-$(nproc)}
for tool in velkari-art velkari-replay velkari-mml; do
  [ -x "$host/$tool" ] || { echo "error: no $host/$tool (build the default preset first)" >&2; exit 2; }
done

part_start=$(date +%s)
part() {
  local now
  now=$(date +%s)
  printf -- '--- %s: %d s\n' "$1" $((now - part_start))
  part_start=$now
}

for preset in ${PRESETS-linux-arm64 linux-armhf}; do
  cmake --preset "$preset" -DVELKARI_ART_TOOL="$host/velkari-art" -DVELKARI_HOST_BIN_DIR="$host" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  part "$preset build"
  ctest --preset "$preset" -j "$jobs"
  part "$preset tests under qemu"
done

if [ -n "${NO_DEB:-}" ]; then exit 0; fi
cmake --preset linux-arm64-deb -DVELKARI_ART_TOOL="$host/velkari-art" >/dev/null
cmake --build --preset linux-arm64-deb -j "$jobs"
rm -f build/linux-arm64-deb/*.deb
(cd build/linux-arm64-deb && cpack -G DEB >/dev/null)
# Every package is for arm64 and every program in it an aarch64 one; the
# game's package depends on SDL2.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
game_deb=
for deb in build/linux-arm64-deb/*.deb; do
  [ -f "$deb" ] || { echo "error: cpack made no package" >&2; exit 1; }
  arch=$(dpkg-deb -f "$deb" Architecture)
  echo "$deb: Architecture: $arch; Depends: $(dpkg-deb -f "$deb" Depends)"
  [ "$arch" = arm64 ] || { echo "error: $deb is for $arch" >&2; exit 1; }
  # Debian 12's lintian: not an error, not a warning, as for the amd64 ones.
  findings=$(lintian --allow-root --no-cfg "$deb" 2>&1) || true
  [ -z "$findings" ] || { echo "error: lintian on $deb:" >&2; echo "$findings" >&2; exit 1; }
  echo "$deb: lintian reports nothing"
  rm -rf "${unpacked:?}"/*
  dpkg-deb -x "$deb" "$unpacked"
  while IFS= read -r -d '' f; do
    kind=$(file -b "$f")
    [[ "$kind" == ELF* ]] || continue
    if [[ "$kind" != *"ARM aarch64"* ]]; then
      echo "error: ${f#"$unpacked"} in $deb is not an aarch64 program: $kind" >&2
      exit 1
    fi
    # Hardened as the amd64 programs are (this machine's objdump cannot read
    # aarch64 code for the stack clash note, which stays unknown).
    case $f in
      "$unpacked"/usr/games/* | "$unpacked"/usr/bin/*) hardening-check --nocfprotection "$f" 2>/dev/null ;;
    esac
  done < <(find "$unpacked" -type f -print0)
  if [ -f "$unpacked/usr/games/velkari" ]; then
    game_deb=$deb
    [[ "$(dpkg-deb -f "$deb" Depends)" == *libsdl2-2.0-0* ]] || {
      echo "error: $deb does not depend on SDL2" >&2
      exit 1
    }
  fi
done
[ -n "$game_deb" ] || { echo "error: no package holds usr/games/velkari" >&2; exit 1; }
part "arm64 game and its packages"
