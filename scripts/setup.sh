#!/usr/bin/env bash
# Installs the Debian 12 packages velkari needs to build, run and test, if any
# is missing. Uses sudo when not run as root. Safe to run again.
#   scripts/setup.sh          build and run the game
#   scripts/setup.sh --web    also build and serve the web page
#   scripts/setup.sh --windows  also cross-build the Windows programs
#   scripts/setup.sh --cross  also cross-build and run the ARM programs
#   scripts/setup.sh --test   also everything the test suite needs
#   scripts/setup.sh --bench  also what bench/latency.sh needs (a sound server)
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libsdl2-dev libx11-dev libgtest-dev libgmock-dev libbenchmark-dev unifont
  # The libretro API header, for the core (velkari_libretro).
  retroarch-dev
)
# The web page (scripts/web.sh): Debian's Emscripten (its optimizer runs on
# the system node) and python3 to serve the page.
web_packages=(emscripten nodejs python3)
if [ "${1:-}" = "--web" ]; then
  packages+=("${web_packages[@]}")
fi
if [ "${1:-}" = "--windows" ] || [ "${1:-}" = "--test" ]; then
  # The Windows cross build: MinGW-w64 (its -posix compiler has std::thread).
  packages+=(g++-mingw-w64-x86-64)
fi
# The ARM builds (presets linux-arm64, linux-armhf, linux-arm64-deb;
# scripts/cross_checks.sh): Debian's cross compilers, qemu-user to run what
# they build, GoogleTest's sources to compile for them, and the arm64 game's
# SDL2 and X11 from Debian's arm64 architecture (multiarch, added below).
cross_packages=(g++-aarch64-linux-gnu g++-arm-linux-gnueabihf qemu-user googletest
                libsdl2-dev:arm64 libx11-dev:arm64)
if [ "${1:-}" = "--cross" ] || [ "${1:-}" = "--test" ]; then
  packages+=("${cross_packages[@]}")
fi
if [ "${1:-}" = "--test" ]; then
  # The end-to-end checks: a virtual X server (run with its built-in fonts
  # only, as a desktop may have no others), key presses, screenshots and their
  # comparison, the X client message that closes a window, a stuck game ended
  # by its id; for the web page Debian's chromium, driven headless by
  # puppeteer-core from npm.
  packages+=(xvfb xdotool imagemagick x11-utils python3 python3-xlib procps)
  # The libretro core in Debian's RetroArch, with the .info files it reads.
  packages+=(retroarch libretro-core-info)
  # The fullscreen check runs a window manager, as a desktop does.
  packages+=(openbox)
  # Every shell script is checked with shellcheck.
  packages+=(shellcheck)
  # The Windows programs under Wine (64-bit only: no i386 architecture).
  packages+=(wine wine64)
  # Wine's own fonts, the only ones its dialogs are drawn with in the checks.
  packages+=(fonts-wine)
  packages+=("${web_packages[@]}" chromium)
  # The install and the Debian package: the validators of the desktop entry
  # and the metainfo, man to read the man pages, cpack's dpkg-shlibdeps.
  packages+=(desktop-file-utils appstream man-db dpkg-dev file)
  # The Debian packages' checks: lintian, and hardening-check (in devscripts)
  # on their programs.
  packages+=(lintian devscripts)
fi
if [ "${1:-}" = "--bench" ]; then
  # bench/latency.sh: a PulseAudio daemon with a null sink, parec recording
  # its monitor, the game under a virtual X server, the key pressed through
  # XTest.
  packages+=(pulseaudio pulseaudio-utils xvfb xdotool python3 python3-xlib)
fi
if [ "${1:-}" = "--web" ] || [ "${1:-}" = "--test" ]; then
  # npm comes with some builds of nodejs; Debian packages it apart.
  command -v npm >/dev/null 2>&1 || packages+=(npm)
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
if [[ " ${missing[*]} " == *:arm64\ * ]] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
  "${sudo_cmd[@]}" dpkg --add-architecture arm64
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
