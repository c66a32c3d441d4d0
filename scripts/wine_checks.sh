#!/usr/bin/env bash
# The Windows programs under Wine, against the Linux build:
#   scripts/wine_checks.sh WIN_BIN_DIR LINUX_BIN_DIR
# WIN_BIN_DIR holds velkari.exe, velkari-mml.exe, velkari-replay.exe, img/,
# velkari_libretro.dll and velkari-libretro-frames.exe (scripts/windows.sh
# builds them); LINUX_BIN_DIR the Linux velkari-replay, velkari-mml,
# velkari_libretro.so and velkari-libretro-frames. Uses $DISPLAY if set (an X
# server without a window manager, e.g. Xvfb), otherwise starts its own Xvfb;
# makes a throw-away Wine prefix.
# Checks: only system DLLs; the tools print and write the same bytes, and the
# libretro core the same frames, samples and state; the game from a folder
# with a non-ASCII name shows the replay's title and stage 1, repaints the
# title when uncovered, opens and closes its About box on Alt+/ (with Wine's
# own fonts alone), goes fullscreen and back on Alt+Enter, plays exactly the
# replay's samples, and exits 0 within 1 s of a close.
set -euo pipefail
win=$(cd "${1:?usage: wine_checks.sh WIN_BIN_DIR LINUX_BIN_DIR}" && pwd)
lin=$(cd "${2:?usage: wine_checks.sh WIN_BIN_DIR LINUX_BIN_DIR}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
here=$root/tests/wine
t0=$(date +%s)
work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null || true
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
pass() { echo "ok: $*"; }

if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset -fp built-ins >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine draws its dialogs with its own fonts (fonts-wine) alone, never with
# whatever else the machine has installed: fontconfig is shown no other
# folder, as the X server is given only its built-in fonts. The About box then
# looks the same on every machine.
printf '<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "fonts.dtd">\n<fontconfig>%s</fontconfig>\n' \
  "<dir>/usr/share/wine/fonts</dir><cachedir>$work/fontcache</cachedir>" >"$work/fonts.conf"
export FONTCONFIG_FILE=$work/fonts.conf
# No sound card: the ALSA default device is a file, so the test hears exactly
# what the game played (a PulseAudio server would take precedence; CI has none).
export HOME=$work/home
mkdir -p "$HOME"
printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
  "$work/sound.raw" >"$HOME/.asoundrc"

# --- The executables need no DLL beside them. ---------------------------------
for exe in velkari velkari-mml velkari-replay; do
  [ -f "$win/$exe.exe" ] || fail "no $win/$exe.exe"
  dlls=$(x86_64-w64-mingw32-objdump -p "$win/$exe.exe" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  for d in $dlls; do
    case "${d,,}" in
      kernel32.dll | user32.dll | gdi32.dll | winmm.dll | msvcrt.dll | advapi32.dll | shell32.dll) ;;
      *) fail "$exe.exe needs $d" ;;
    esac
  done
  pass "$exe.exe imports only system DLLs: $dlls"
done

dlls=$(x86_64-w64-mingw32-objdump -p "$win/velkari_libretro.dll" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
for d in $dlls; do
  case "${d,,}" in
    kernel32.dll | msvcrt.dll) ;;
    *) fail "velkari_libretro.dll needs $d" ;;
  esac
done
pass "velkari_libretro.dll imports only system DLLs: $dlls"

wineboot -i >/dev/null 2>&1 || fail "wineboot could not make the prefix"
# Unmanaged windows: Wine draws the frame itself and a close takes 0.1 s, not
# the 2 s it waits for a window manager that is not there.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
pass "prefix ready after $(($(date +%s) - t0)) s"

# --- The tools: the same bytes as on Linux. -------------------------------------
mkdir -p "$work/tl" "$work/tw"
same() {  # same NAME FILE_LINUX FILE_WINDOWS
  cmp -s "$2" "$3" || fail "$1 differs between Linux and Wine ($(cmp "$2" "$3" 2>&1 | head -1))"
}
for r in "$root"/tests/game/replays/*.replay; do
  name=$(basename "$r" .replay)
  "$lin/velkari-replay" --script "$r" --trace >"$work/tl/$name.trace"
  wine "$win/velkari-replay.exe" --script "$r" --trace >"$work/tw/$name.trace" 2>/dev/null ||
    fail "velkari-replay.exe failed on $name"
  same "the trace of $name" "$work/tl/$name.trace" "$work/tw/$name.trace"
done
pass "velkari-replay.exe: the traces of all $(ls "$root"/tests/game/replays/*.replay | wc -l) replays"
golden=$root/tests/game/golden/golden.replay
frames=()
while read -r name frame _; do
  [[ $name =~ ^[a-z_]+$ ]] && frames+=(--frame "$frame:$name.bmp")
done <"$root/tests/game/golden/frames.sha256"
(cd "$work/tl" && "$lin/velkari-replay" --script "$golden" --trace "${frames[@]}" --audio golden.wav >golden.trace)
(cd "$work/tw" && wine "$win/velkari-replay.exe" --script "$golden" --trace "${frames[@]}" \
  --audio golden.wav >golden.trace 2>/dev/null) || fail "velkari-replay.exe failed on golden.replay"
for f in golden.trace golden.wav $(cd "$work/tl" && ls ./*.bmp); do
  same "golden.replay's ${f#./}" "$work/tl/$f" "$work/tw/$f"
done
pass "velkari-replay.exe: golden.replay's trace, frames and $(stat -c %s "$work/tw/golden.wav")-byte WAV"
# Snapshots cross between the builds: Linux's continued by velkari-replay.exe,
# and the other way round, with the same traces, pictures and audio.
snapshot_replays=("$root"/tests/game/replays/{about_box,pause,walk_right_push}.replay)
LOADER_RUNNER=wine CHECK_STEPS=2 bash "$root/tests/game/check_snapshot.sh" "$lin/velkari-replay" \
  "$win/velkari-replay.exe" "$work/snap_lw" "${snapshot_replays[@]}" >"$work/snap_lw.out" 2>"$work/snap_lw.log" ||
  fail "velkari-replay.exe does not continue Linux snapshots: $(grep FAIL "$work/snap_lw.log")"
SAVER_RUNNER=wine CHECK_STEPS=1 bash "$root/tests/game/check_snapshot.sh" "$win/velkari-replay.exe" \
  "$lin/velkari-replay" "$work/snap_wl" "${snapshot_replays[@]}" >"$work/snap_wl.out" 2>"$work/snap_wl.log" ||
  fail "velkari-replay does not continue the Windows build's snapshots: $(grep FAIL "$work/snap_wl.log")"
pass "snapshots: $(tail -1 "$work/snap_lw.out") from Linux under Wine, $(tail -1 "$work/snap_wl.out") the other way"
# File names in another script, through the tool's UTF-8 arguments.
odd="$work/tw/Ōta ゲーム"
mkdir -p "$odd"
cp "$root/tests/game/replays/pause.replay" "$odd/ポーズ.replay"
wine "$win/velkari-replay.exe" --script "$odd/ポーズ.replay" --frame "40:$odd/絵.bmp" \
  --audio "$odd/音.wav" --frames 100 --trace >"$odd/trace" 2>/dev/null ||
  fail "velkari-replay.exe failed with non-ASCII file names"
"$lin/velkari-replay" --script "$odd/ポーズ.replay" --frame "40:$work/tl/pause40.bmp" \
  --audio "$work/tl/pause.wav" --frames 100 --trace >"$work/tl/pause.trace"
same "the trace of ポーズ.replay" "$work/tl/pause.trace" "$odd/trace"
same "絵.bmp" "$work/tl/pause40.bmp" "$odd/絵.bmp"
same "音.wav" "$work/tl/pause.wav" "$odd/音.wav"
pass "velkari-replay.exe reads and writes files whose names are not ASCII"
"$lin/velkari-replay" --board 7 >"$work/tl/board" && wine "$win/velkari-replay.exe" --board 7 >"$work/tw/board" 2>/dev/null
same "--board 7" "$work/tl/board" "$work/tw/board"
# An output replaces the file there (through its temporary file and a rename);
# one that is the script is refused, and the script stays as it was.
echo old >"$odd/絵.bmp"
wine "$win/velkari-replay.exe" --script "$odd/ポーズ.replay" --frame "40:$odd/絵.bmp" --frames 40 \
  2>/dev/null || fail "velkari-replay.exe could not replace an existing output"
same "絵.bmp written over an old file" "$work/tl/pause40.bmp" "$odd/絵.bmp"
status=0
wine "$win/velkari-replay.exe" --script "$odd/ポーズ.replay" --audio "$odd/ポーズ.replay" 2>/dev/null || status=$?
[ "$status" = 2 ] || fail "velkari-replay.exe --audio onto its script exited $status, not 2"
same "the script after --audio onto it" "$root/tests/game/replays/pause.replay" "$odd/ポーズ.replay"
pass "velkari-replay.exe replaces an existing output and refuses its script as one"

# velkari-mml: each of the game's cues compiled, linted and rendered, plus a
# text the linter complains about (same report, same exit status).
cues=(
  "0|t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr"
  "6|t120@0o4l32q7v14i5 s-40g2x"
  "6|t120@78o4l32q7v14i5 g2x"
  "6|t120@0o4l32q7v14i5s+30 g8x"
  "7|t120@2o6l32q7v14i35 gecx"
  "6|t150@0o4l16q7v13h50 m30ceg>ceg>cx"
  "0|t120@2o4l16q7v14i30 cdefgab>cccccx"
  "3|o9c999v99 [[[ l0 @200 zz"
  "5|t90 c ゲーム d")
k=0
for cue in "${cues[@]}"; do
  ch=${cue%%|*}
  text=${cue#*|}
  for cmd in compile lint; do
    s1=0 s2=0
    "$lin/velkari-mml" "$cmd" -- "$text" >"$work/tl/$cmd$k" 2>&1 || s1=$?
    wine "$win/velkari-mml.exe" "$cmd" -- "$text" >"$work/tw/$cmd$k" 2>&1 || s2=$?
    [ "$s1" = "$s2" ] || fail "velkari-mml $cmd '$text' exits $s1 on Linux, $s2 under Wine"
    same "velkari-mml $cmd '$text'" "$work/tl/$cmd$k" "$work/tw/$cmd$k"
  done
  "$lin/velkari-mml" render --cue "$ch" "$text" --seconds 2 -o "$work/tl/cue$k.wav"
  wine "$win/velkari-mml.exe" render --cue "$ch" "$text" --seconds 2 -o "$work/tw/cue$k.wav" 2>/dev/null
  same "velkari-mml render '$text'" "$work/tl/cue$k.wav" "$work/tw/cue$k.wav"
  k=$((k + 1))
done
pass "velkari-mml.exe: compile, lint and render of ${#cues[@]} cues"
# The libretro core: the .dll shows the .so's frames and hands on its samples,
# saves the same state, and goes on from the .so's state as the .so does.
"$lin/velkari-libretro-frames" "$lin/velkari_libretro.so" 300 --save "150:$work/tl/core.state" \
  >"$work/tl/core.frames" || fail "velkari-libretro-frames failed on the .so"
wine "$win/velkari-libretro-frames.exe" "$win/velkari_libretro.dll" 300 --save "150:$work/tw/core.state" \
  2>/dev/null | tr -d '\r' >"$work/tw/core.frames" || fail "velkari-libretro-frames.exe failed"
same "the core's frames and samples" "$work/tl/core.frames" "$work/tw/core.frames"
same "the core's state at frame 150" "$work/tl/core.state" "$work/tw/core.state"
wine "$win/velkari-libretro-frames.exe" "$win/velkari_libretro.dll" 300 --load "$work/tl/core.state" \
  --from 150 2>/dev/null | tr -d '\r' >"$work/tw/core_from.frames" || fail "the .dll refused the .so's state"
tail -n +151 "$work/tl/core.frames" >"$work/tl/core_from.frames"
same "the core's frames from the .so's state" "$work/tl/core_from.frames" "$work/tw/core_from.frames"
pass "velkari_libretro.dll: 300 frames, their samples and the state as the .so's, and on from its state"
# play: through waveOut into the capture file, the samples render writes.
play_cue="t120@2o6l32q7v14i35 gecx"
printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
  "$work/play.raw" >"$HOME/.asoundrc"
wine "$win/velkari-mml.exe" play --cue 7 "$play_cue" >"$work/play.log" 2>&1 ||
  fail "velkari-mml.exe play failed: $(grep -v '^ALSA' "$work/play.log")"
"$lin/velkari-mml" render --cue 7 "$play_cue" --seconds 1 -o "$work/tl/play.wav"
python3 "$here/stream_match.py" "$work/play.raw" "$work/tl/play.wav" 5000 ||
  fail "velkari-mml.exe play did not play what render writes"
printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' \
  "$work/sound.raw" >"$HOME/.asoundrc"
pass "velkari-mml.exe play: the item cue through waveOut, sample for sample"
pass "tools checked after $(($(date +%s) - t0)) s"

# --- The game, from a folder whose name is not ASCII, started elsewhere. ------
# The player's zip, when it has been made beside the bin folder, is what is
# started; otherwise the program and its pictures from the bin folder.
game_dir="$WINEPREFIX/drive_c/users/Ōta/ゲーム/velkari"
zip=$win/../velkari-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win/../CMakeCache.txt")-win64.zip
if [ -f "$zip" ]; then
  python3 - "$zip" "$game_dir" <<'PY' || fail "cannot unpack $zip"
import os, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = z.namelist()
want = {"velkari.exe", "velkari-mml.exe", "README.txt", "LICENSE.txt", "copyright.txt", "img/girl.bmp",
        "img/tobernix.bmp", "img/velkimg.bmp", "velkari_libretro.dll", "velkari_libretro.info"}
have = {n.split("/", 1)[1] for n in names if "/" in n}
missing = want - have
if missing:
    sys.exit("the zip lacks " + ", ".join(sorted(missing)))
for n in names:
    if n.endswith("/"):
        continue
    out = os.path.join(sys.argv[2], n.split("/", 1)[1])
    os.makedirs(os.path.dirname(out), exist_ok=True)
    open(out, "wb").write(z.read(n))
PY
  pass "the zip holds velkari.exe, velkari-mml.exe, README.txt, img/ and the libretro core; the game runs from it"
else
  mkdir -p "$game_dir"
  cp "$win/velkari.exe" "$game_dir/"
  cp -r "$win/img" "$game_dir/"
fi
printf '1 -\n1 Z\n30 -\n' >"$work/ref.script"
"$lin/velkari-replay" --script "$work/ref.script" --frame "2:$work/ref_title.bmp" \
  --frame "20:$work/ref_play.bmp"
printf '1 -\n1 Z\n1500 -\n' >"$work/tune.script"
"$lin/velkari-replay" --script "$work/tune.script" --audio "$work/ref_tune.wav"

wait_for_window() {  # sets game_win: the game's window, once it is shown
  game_win=""
  for _ in $(seq 100); do
    for w in $(xdotool search --name '^velkari' 2>/dev/null || true); do
      xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable' && game_win=$w && break
    done
    [ -n "$game_win" ] && break
    kill -0 "$game_pid" 2>/dev/null || fail "the game exited before its window appeared"
    sleep 0.1
  done
}
mkdir -p "$work/elsewhere"
# The first game records (a new file, made once the window is open); a
# recording onto a name that exists is refused before any window.
echo keep >"$work/elsewhere/taken.keys"
status=0
(cd "$work/elsewhere" && wine "$game_dir/velkari.exe" --record taken.keys) >"$work/refused.log" 2>&1 || status=$?
[ "$status" = 2 ] || fail "velkari.exe --record onto an existing file exited $status, not 2"
[ "$(cat "$work/elsewhere/taken.keys")" = keep ] || fail "velkari.exe --record changed an existing file"
grep -q "already exists" "$work/refused.log" || fail "velkari.exe --record did not say why: $(cat "$work/refused.log")"
(cd "$work/elsewhere" && exec wine "$game_dir/velkari.exe" --record run.keys) >"$work/game.log" 2>&1 &
game_pid=$!
started=$(date +%s%N)
wait_for_window
[ -n "$game_win" ] || fail "no game window appeared"
pass "window after $((($(date +%s%N) - started) / 1000000)) ms"
title=$(xprop -id "$game_win" _NET_WM_NAME | sed 's/^[^"]*"\(.*\)"$/\1/')
[ "$title" = "velkariゲーム" ] || fail "the window title is '$title'"
size=$(xwininfo -id "$game_win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
[ "$size" = "646x505" ] || fail "the window is $size, not 646x505 (a 640x480 client in Wine's frame)"

# shot NAME: the client area (640x480 at (3, 22) of Wine's own frame).
shot() {
  timeout 20 import -window "$game_win" "$work/$1_win.png" || fail "no screenshot ($1)"
  convert "$work/$1_win.png" -crop 640x480+3+22 +repage "$work/$1.png"
  [ -n "${WINE_KEEP:-}" ] && cp "$work/$1_win.png" "$WINE_KEEP/" || true
}
differ() {  # differ A B [REGION]: pixels that differ, the player's cell blacked out
  local crop=()
  [ -n "${3:-}" ] && crop=(-crop "$3" +repage)
  convert "$1" -fill black -draw 'rectangle 32,32 63,63' "${crop[@]}" "$work/da.png"
  convert "$2" -fill black -draw 'rectangle 32,32 63,63' "${crop[@]}" "$work/db.png"
  compare -metric AE "$work/da.png" "$work/db.png" null: 2>&1 || true
}
key() {  # key KEYS...: pressed and released in the game window
  xdotool windowfocus --sync "$game_win" 2>/dev/null || true
  xdotool key --delay 100 "$@"
}
wait_for_title() {  # until the window shows velkari-replay's title; $n: pixels off
  for _ in $(seq 20); do
    sleep 0.5
    shot title
    n=$(compare -metric AE "$work/title.png" "$work/ref_title.bmp" null: 2>&1 || true)
    [ "$n" = 0 ] && break
  done
}
# The boot scene loads the pictures, then the title stays: wait for it (a
# loaded machine may take a while), then it must match exactly.
wait_for_title
[ "$n" = 0 ] || fail "the title differs from velkari-replay's in $n pixels"
pass "the title (pictures found beside the program) is velkari-replay's, pixel for pixel"

# The idle title waits for messages or the next frame instead of spinning.
unix_pid=$(xdotool getwindowpid "$game_win" 2>/dev/null || echo "$game_pid")
ticks() { awk '{print $14 + $15}' "/proc/$unix_pid/stat"; }
hz=$(getconf CLK_TCK)
c0=$(ticks)
sleep 2
c1=$(ticks)
idle_pct=$(((c1 - c0) * 100 / (2 * hz)))
[ "$idle_pct" -le 20 ] || fail "the idle title uses ${idle_pct}% of a core"
pass "the idle title uses ${idle_pct}% of a core"

# The About box over the title, which is presented only once: closing the box
# must bring the title back (the window repaints its last frame).
about_win() { xdotool search --name 'ﾊﾞｰｼﾞｮﾝ情報' 2>/dev/null | head -1; }
for combo in alt+slash alt+question; do
  key "$combo"
  a=""
  for _ in $(seq 30); do
    a=$(about_win)
    [ -n "$a" ] && break
    sleep 0.1
  done
  [ -n "$a" ] || fail "$combo opened no About box"
  sleep 0.3
  timeout 20 import -window "$a" "$work/about.png" || fail "no screenshot of the About box"
  [ -n "${WINE_KEEP:-}" ] && cp "$work/about.png" "$WINE_KEEP/" || true
  # Two lines of dark text between the icon and the OK button (as Wine's own
  # fonts set them): two bands of rows with ink.
  bands=$(convert "$work/about.png" -crop 215x50+70+25 +repage -threshold 50% -negate \
    -scale 1x50\! -threshold 1% txt:- | awk -F'[ ,:]' 'NR>1 {v=($0 ~ /white|#FFFFFF/)}
      NR>1 && v && !prev {n++} NR>1 {prev=v} END {print n+0}')
  [ "$bands" = 2 ] || fail "the About box shows $bands lines of text, not 2"
  xdotool windowfocus --sync "$a" 2>/dev/null || true
  xdotool key Escape
  for _ in $(seq 30); do
    [ -z "$(about_win)" ] && break
    sleep 0.1
  done
  [ -z "$(about_win)" ] || fail "the About box did not close"
done
sleep 0.3
shot uncovered
n=$(compare -metric AE "$work/uncovered.png" "$work/ref_title.bmp" null: 2>&1 || true)
[ "$n" = 0 ] || fail "the uncovered title differs from velkari-replay's in $n pixels"
pass "Alt+/ and Alt+? open the About box (two lines), Escape closes it, the title comes back"

before=$(stat -c %s "$work/sound.raw" 2>/dev/null || echo 0)
xdotool windowfocus --sync "$game_win" keydown z
sleep 0.3
xdotool keyup z
for _ in $(seq 20); do
  sleep 0.5
  shot play
  n=$(differ "$work/play.png" "$work/ref_play.bmp" 480x480+0+0)
  [ "$n" = 0 ] && break
done
[ "$n" = 0 ] || fail "the stage 1 board differs from velkari-replay's in $n pixels"
n=$(differ "$work/play.png" "$work/ref_play.bmp" 140x280+500+200)
[ "$n" = 0 ] || fail "the panel differs from velkari-replay's in $n pixels"
pass "Z starts the game; the stage 1 board and panel are velkari-replay's"
sleep 1

close_start=$(date +%s%N)
/usr/bin/python3 "$root/tests/e2e/close_message.py" "$game_win" || fail "could not send the close message"
for _ in $(seq 300); do
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.01
done
close_ms=$((($(date +%s%N) - close_start) / 1000000))
kill -0 "$game_pid" 2>/dev/null && fail "the game did not exit after the close request"
status=0
wait "$game_pid" || status=$?
game_pid=""
[ "$status" = 0 ] || fail "the game exited with status $status"
[ "$close_ms" -le 1000 ] || fail "the game took $close_ms ms to close"
pass "a close request ends the game with status 0 in $close_ms ms"
head -n 1 "$work/elsewhere/run.keys" | grep -qx '# velkari 1.0' ||
  fail "the recording does not start with its version: $(head -n 1 "$work/elsewhere/run.keys")"
"$lin/velkari-replay" --script "$work/elsewhere/run.keys" --summary >"$work/run.summary" ||
  fail "the Windows game's recording does not replay"
grep -q ' stage=1 ' "$work/run.summary" || fail "the recording replays as $(cat "$work/run.summary"), not a game on stage 1"
pass "--record makes a new file (CREATE_NEW) that replays: $(cat "$work/run.summary"); an existing one is refused"

[ -s "$work/sound.raw" ] || fail "nothing reached the sound device"
python3 "$here/stream_match.py" "$work/sound.raw" "$work/ref_tune.wav" ||
  fail "the sound the game played is not velkari-replay's (before Z: $before bytes)"
pass "the background tune's samples are velkari-replay's"

# --- Fullscreen, in a game of its own: Wine without a window manager keeps a
# window that once covered the screen managed, and its close then waits 2 s.
(cd "$work/elsewhere" && exec wine "$game_dir/velkari.exe") >"$work/game2.log" 2>&1 &
game_pid=$!
wait_for_window
[ -n "$game_win" ] || fail "no game window appeared for the fullscreen check"
wait_for_title
[ "$n" = 0 ] || fail "the second game's title differs from velkari-replay's in $n pixels"
# Alt+Enter: a borderless window over the whole screen, the title at the
# largest whole scale that fits, centred, black around; Alt+Enter again gives
# back the window and its title.
read -r sw sh < <(xdotool getdisplaygeometry)
fs=$((sw / 640 < sh / 480 ? sw / 640 : sh / 480))
[ "$fs" -ge 1 ] || fs=1
convert "$work/ref_title.bmp" -filter point -resize "$((fs * 100))%" "$work/ref_scaled.png"
convert -size "${sw}x$sh" xc:black "$work/ref_scaled.png" \
  -geometry "+$(((sw - 640 * fs) / 2))+$(((sh - 480 * fs) / 2))" -composite "$work/ref_full.png"
key alt+Return
for _ in $(seq 30); do
  size=$(xwininfo -id "$game_win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [ "$size" = "${sw}x$sh" ] && break
  sleep 0.1
done
[ "$size" = "${sw}x$sh" ] || fail "Alt+Enter: the window is $size, not the screen's ${sw}x$sh"
sleep 0.5
timeout 20 import -window root "$work/full.png" || fail "no screenshot of the screen"
[ -n "${WINE_KEEP:-}" ] && cp "$work/full.png" "$WINE_KEEP/" || true
n=$(compare -metric AE "$work/full.png" "$work/ref_full.png" null: 2>&1 || true)
[ "$n" = 0 ] || fail "Alt+Enter: the screen differs from the title at scale $fs, centred, in $n pixels"
key alt+Return
for _ in $(seq 30); do
  size=$(xwininfo -id "$game_win" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [ "$size" = 646x505 ] && break
  sleep 0.1
done
[ "$size" = 646x505 ] || fail "Alt+Enter again: the window is $size, not 646x505"
sleep 0.5
shot windowed
n=$(compare -metric AE "$work/windowed.png" "$work/ref_title.bmp" null: 2>&1 || true)
[ "$n" = 0 ] || fail "back from fullscreen the title differs from velkari-replay's in $n pixels"
pass "Alt+Enter fills the ${sw}x$sh screen with the title at scale $fs and gives the window back"
kill -9 "$game_pid" 2>/dev/null || true
game_pid=""

wineserver -k 2>/dev/null || true
echo "all Wine checks passed in $(($(date +%s) - t0)) s"
