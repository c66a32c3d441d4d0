#!/usr/bin/env bash
# Installs the Debian 12 packages velkari needs to build, run and test, if any
# is missing. Uses sudo when not run as root. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libsdl2-dev libx11-dev libgtest-dev libgmock-dev libbenchmark-dev unifont
)
if [ "${1:-}" = "--test" ]; then
  # The end-to-end checks: a virtual X server, key presses, screenshots, sound
  # measurement, the X client message that closes a window, the children of
  # the game (SDL's message box) ended by their parent's id.
  packages+=(xvfb xdotool imagemagick sox x11-utils python3 python3-xlib procps)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
  else
    echo "error: need root (or sudo) to install: ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
