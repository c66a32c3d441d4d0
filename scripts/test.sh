#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite:
# unit and tool tests in the default and the ASan+UBSan builds, the thread
# tests under ThreadSanitizer, the fuzzers for a short time from their seed
# corpora, a short soak of random play, the web page in headless chromium, the
# end-to-end checks of the real window and sound device under Xvfb (the fault
# matrix, and the clean exits also with the ASan build's game), and the
# Windows build with its checks under Wine, and the ARM builds (arm64, armhf)
# under qemu-user. Each step prints how long it took.
#   scripts/test.sh            everything
#   QUICK=1 scripts/test.sh    the default build's tests only
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
fuzz_seconds=${FUZZ_SECONDS:-30}

scripts/setup.sh --test

step_start=$(date +%s)
step_name=""
step() {
  local now
  now=$(date +%s)
  [ -n "$step_name" ] && printf '=== %s: %d s\n' "$step_name" $((now - step_start))
  step_start=$now
  step_name=$*
  printf '\n=== %s\n' "$*"
}
trap '[ -n "$step_name" ] && printf "=== %s: %d s\n" "$step_name" $(($(date +%s) - step_start))' EXIT

step "shell scripts: shellcheck -S warning"
mapfile -t shell_scripts < <(git ls-files '*.sh' '*.bash' .ci/run 2>/dev/null || find . -name '*.sh' -not -path './build/*' -not -path '*/node_modules/*')
shellcheck -S warning -x "${shell_scripts[@]}"

step "default build"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
step "default tests"
ctest --preset default -j "$jobs" -LE e2e

step "Debian packages: lintian, the installed desktop entry and metainfo, hardening"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
rm -f build/default/*.deb
(cd build/default && cpack -G DEB >/dev/null)
deb=build/default/velkari_${version}_amd64.deb
depends=$(dpkg-deb -f "$deb" Depends)
echo "$deb: Depends: $depends"
[[ "$depends" == *libsdl2-2.0-0* ]] || { echo "error: $deb does not depend on SDL2" >&2; exit 1; }
unpacked=build/default/deb-contents
rm -rf "$unpacked"
for d in build/default/*.deb; do
  [ "$(dpkg-deb -f "$d" Version)" = "$version" ] || { echo "error: $d is not version $version" >&2; exit 1; }
  # Debian 12's lintian: not an error, not a warning.
  findings=$(lintian --allow-root --no-cfg "$d" 2>&1) || true
  [ -z "$findings" ] || { echo "error: lintian on $d:" >&2; echo "$findings" >&2; exit 1; }
  echo "$d: lintian reports nothing"
  dpkg-deb -x "$d" "$unpacked"
done
for f in usr/games/velkari usr/bin/velkari-mml usr/share/applications/org.velkari.velkari.desktop; do
  [ -e "$unpacked/$f" ] || { echo "error: no /$f in the packages" >&2; exit 1; }
done
desktop-file-validate "$unpacked/usr/share/applications/org.velkari.velkari.desktop"
appstreamcli validate --no-net --pedantic "$unpacked/usr/share/metainfo/org.velkari.velkari.metainfo.xml"
# PIE, stack protector, fortify, relro and bindnow. Not the control-flow
# protection note: Debian 12's own start files (Scrt1.o, crti.o) lack it, so
# no program linked there has it (/usr/bin/ls neither).
hardening-check --nocfprotection "$unpacked/usr/games/velkari" "$unpacked/usr/bin/velkari-mml"

if [ -n "${QUICK:-}" ]; then exit 0; fi

# A packager's builds: plain CMake, no preset, warnings not errors, the
# packager's own flags. The unit tests only, to keep the step short.
packager_build() {
  local dir=$1
  shift
  rm -rf "$dir"
  "$@" cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  # shellcheck disable=SC2046
  cmake --build "$dir" -j "$jobs" --target $(cmake --build "$dir" --target help |
    sed -n 's/^\(velkari-tests-[a-z]*\):.*/\1/p' | sort -u)
  ctest --test-dir "$dir" -j "$jobs" -L unit --output-on-failure
}
step "packager build: Release, GCC with dpkg-buildflags' flags, unit tests"
packager_build build/release-gcc env CXX=g++ \
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
step "packager build: Release, clang, unit tests"
packager_build build/release-clang env CXX=clang++

step "ARM cross builds: their tests under qemu, the same bytes as x86-64, the arm64 .deb"
JOBS=$jobs scripts/cross_checks.sh build/default/bin

step "ASan + UBSan build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan -j "$jobs" -LE e2e

step "ThreadSanitizer build and thread tests"
cmake --preset tsan >/dev/null
tsan_targets=$(cmake --build --preset tsan --target help | sed -n 's/^\(velkari-tests-sound[a-z]*\):.*/\1/p' | sort -u)
if [ -n "$tsan_targets" ]; then
  # shellcheck disable=SC2086
  cmake --build --preset tsan -j "$jobs" --target $tsan_targets
  for t in $tsan_targets; do
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" "build/tsan/bin/$t"
  done
fi

step "fuzzers (${fuzz_seconds} s each, from fuzz/corpus)"
SECONDS_EACH=$fuzz_seconds JOBS=$jobs scripts/fuzz.sh

step "soak: random play under ASan + UBSan (scripts/soak.sh runs the full hour)"
scripts/soak.sh "${SOAK_FRAMES:-6000}" 1

step "web page in headless chromium"
JOBS=$jobs tests/web/check.sh build/default/bin

step "end-to-end checks under Xvfb"
display_no=97
while [ -e "/tmp/.X11-unix/X$display_no" ] || [ -e "/tmp/.X$display_no-lock" ]; do
  display_no=$((display_no + 1))
done
display=:$display_no
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset -fp built-ins >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true; [ -n "$step_name" ] && printf "=== %s: %d s\n" "$step_name" $(($(date +%s) - step_start))' EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
DISPLAY=$display ctest --preset default -L e2e --output-on-failure
step "clean exits of the ASan build's game (LeakSanitizer at every exit)"
# LeakSanitizer scans the heap as the process ends: a second of slack for it.
E2E_CLOSE_LIMIT_MS=2000 DISPLAY=$display bash tests/e2e/exit_clean.sh build/asan/bin

step "Windows cross build (MinGW-w64) and its checks under Wine"
scripts/windows.sh --zip
DISPLAY=$display scripts/wine_checks.sh build/windows/bin build/default/bin
