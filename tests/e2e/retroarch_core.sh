#!/usr/bin/env bash
# The libretro core in Debian's RetroArch, under Xvfb, with a config and a
# HOME of its own in a work folder: the core starts with no content;
# RetroArch's screenshot of the title is velkari-replay's pixel for pixel; Z
# (bound to the RetroPad's B) starts stage 1 with velkari-replay's board; a
# state saved, played past and loaded shows the saved run again; holding
# rewind goes back to an earlier frame of the run, the same state as
# velkari-replay's there; with run-ahead (one frame, a second instance) the
# frames shown are still velkari-replay's; QUIT ends RetroArch with status 0.
#   retroarch_core.sh BIN_DIR    (DISPLAY set; RETROARCH_PORT, default 55401,
#                                 the UDP port of RetroArch's commands)
set -euo pipefail
bin=$(cd "${1:?usage: retroarch_core.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.bash
. "$here/common.bash"
[ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY (run under Xvfb)"
command -v retroarch >/dev/null || e2e_fail "no retroarch (scripts/setup.sh --test installs it)"
[ -f "$bin/velkari_libretro.so" ] || e2e_fail "no velkari_libretro.so in $bin"
port=${RETROARCH_PORT:-55401}
ra_pid=""
work=$(mktemp -d)
trap '[ -n "$ra_pid" ] && kill -9 "$ra_pid" 2>/dev/null; rm -rf "$work"' EXIT
ra() { python3 "$here/retroarch.py" "$@"; }

# The core and its .info where this RetroArch looks for them: without the
# .info it refuses save states.
mkdir -p "$work/cores" "$work/info" "$work/shots" "$work/states" "$work/home" "$work/ref" "$work/tmp"
cp "$bin/velkari_libretro.so" "$work/cores/"
cp "$bin/velkari_libretro.info" "$work/info/"

# The replay's pictures: the title and a frame of stage 1; and a script of no
# keys, for runs from a state on.
printf '1 -\n1 Z\n30 -\n' >"$work/ref/start.script"
"$bin/velkari-replay" --script "$work/ref/start.script" --frame "2:$work/ref/title.bmp" \
  --frame "20:$work/ref/play.bmp" || e2e_fail "velkari-replay failed"
printf '100000 -\n' >"$work/ref/idle.script"

config() {  # config FILE [LINE...]
  local file=$1
  shift
  cat >"$file" <<CFG
config_save_on_exit = "false"
video_driver = "gl"
audio_driver = "null"
input_driver = "x"
input_joypad_driver = "null"
input_player1_b = "z"
video_scale = "1.000000"
video_smooth = "false"
video_scale_integer = "true"
aspect_ratio_index = "0"
video_gpu_screenshot = "false"
video_font_enable = "false"
pause_nonactive = "false"
network_cmd_enable = "true"
network_cmd_port = "$port"
libretro_directory = "$work/cores"
libretro_info_path = "$work/info"
screenshot_directory = "$work/shots"
savestate_directory = "$work/states"
savestate_file_compression = "false"
video_refresh_rate = "62.500000"
vrr_runloop_enable = "true"
audio_out_rate = "44100"
rewind_enable = "true"
rewind_granularity = "1"
rewind_buffer_size = "200"
CFG
  printf '%s\n' "$@" >>"$file"
}

start_retroarch() {  # start_retroarch CONFIG LOG
  # TMPDIR: where run-ahead's second instance loads its copy of the core.
  (cd "$work" && HOME=$work/home TMPDIR=$work/tmp DBUS_FATAL_WARNINGS=0 \
    exec retroarch --config "$1" -L "$work/cores/velkari_libretro.so" -v) >"$2" 2>&1 &
  ra_pid=$!
  for _ in $(seq 200); do
    case $(ra send "$port" GET_STATUS) in
      "GET_STATUS PLAYING velkari"*) break ;;
    esac
    kill -0 "$ra_pid" 2>/dev/null || e2e_fail "RetroArch exited at start: $(tail -n 20 "$2")"
    sleep 0.1
  done
  [ "$(ra send "$port" GET_STATUS)" != "" ] || e2e_fail "RetroArch does not answer on port $port"
  grep -q 'SET_SUPPORT_NO_GAME: yes' "$2" || e2e_fail "the core did not start without content"
  window=$(xdotool search --pid "$ra_pid" 2>/dev/null | head -n 1)
  [ -n "$window" ] || e2e_fail "no RetroArch window"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}

press() {  # press KEY [SECONDS]: held at least a frame, as RetroArch polls
  xdotool keydown "$1"
  sleep "${2:-0.1}"
  xdotool keyup "$1"
}

shot() {  # shot NAME: RetroArch's SCREENSHOT into $work/NAME.png
  local f
  rm -f "$work"/shots/*
  ra send "$port" SCREENSHOT
  for _ in $(seq 100); do
    f=$(find "$work/shots" -name '*.png' -size +1k | head -n 1)
    [ -n "$f" ] && sleep 0.2 && mv "$f" "$work/$1.png" && return 0
    sleep 0.1
  done
  e2e_fail "RetroArch wrote no screenshot for $1"
}

save_state() {  # save_state NAME: the core's bytes into $work/NAME.snap; prints the frames run
  rm -f "$work/states/velkari.state"
  ra send "$port" SAVE_STATE
  for _ in $(seq 100); do
    if [ -s "$work/states/velkari.state" ]; then
      sleep 0.3
      ra state "$work/states/velkari.state" "$work/$1.snap"
      return 0
    fi
    sleep 0.1
  done
  e2e_fail "RetroArch saved no state for $1"
}

quit_retroarch() {  # two QUITs, as one may be missed; exit status 0
  local status=0
  ra send "$port" QUIT
  sleep 0.3
  ra send "$port" QUIT
  for _ in $(seq 150); do
    kill -0 "$ra_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$ra_pid" 2>/dev/null && e2e_fail "RetroArch did not end after QUIT"
  wait "$ra_pid" || status=$?
  ra_pid=""
  [ "$status" -eq 0 ] || e2e_fail "RetroArch exited with status $status"
}

# Pixels of the stage that differ from velkari-replay's stage 1, with the
# player's cell left out (it animates) and the time left out of the panel.
board_differs() {
  local crop
  for crop in 480x480+0+0 140x280+500+200; do
    convert "$1" -fill black -draw 'rectangle 32,32 63,63' -crop "$crop" +repage "$work/a.png"
    convert "$work/ref/play.bmp" -fill black -draw 'rectangle 32,32 63,63' -crop "$crop" +repage "$work/b.png"
    n=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
    [ "$n" = 0 ] || { echo "$n"; return 0; }
  done
  echo 0
}

# The frames velkari-replay shows after a state with no keys held: F+1 to
# F+COUNT as ref/NAME_*.bmp; prints the files.
frames_after() {  # frames_after NAME STATE FRAMES COUNT
  local k args=()
  for k in $(seq $(($3 + 1)) $(($3 + $4))); do
    args+=(--frame "$k:$work/ref/$1_$k.bmp")
  done
  "$bin/velkari-replay" --script "$work/ref/idle.script" --load-snapshot "$2" \
    --frames $(($3 + $4)) --render-audio "${args[@]}" >/dev/null || e2e_fail "velkari-replay from $2 failed"
  for k in $(seq $(($3 + 1)) $(($3 + $4))); do echo "$work/ref/$1_$k.bmp"; done
}

# --- Plain: title, stage 1, save and load, rewind -----------------------------
config "$work/plain.cfg"
start_retroarch "$work/plain.cfg" "$work/plain.log"
sleep 1
shot title
[ "$(ra match "$work/title.png" "$work/ref/title.bmp")" = 0 ] ||
  e2e_fail "RetroArch's title differs from velkari-replay's"
press z
sleep 1.5
shot play
n=$(board_differs "$work/play.png")
[ "$n" = 0 ] || e2e_fail "the stage 1 board differs from velkari-replay's in $n pixels"

f1=$(save_state s1)
# Play on: the player walks away from where the state was saved.
press Right 0.5
sleep 0.3
ra send "$port" LOAD_STATE
sleep 0.1
ra send "$port" PAUSE_TOGGLE
sleep 0.3
shot loaded
ra send "$port" PAUSE_TOGGLE
mapfile -t after < <(frames_after s1 "$work/s1.snap" "$f1" 150)
i=$(ra match "$work/loaded.png" "${after[@]}")
[ "$i" -ge 0 ] || e2e_fail "after LOAD_STATE the picture is none of velkari-replay's frames after $f1"
echo "state saved at frame $f1; after loading it RetroArch showed frame $((f1 + 1 + i)) of its run"

# Rewind, from well after the load: back to an earlier frame of the run from
# the state, and there the state is velkari-replay's.
sleep 2
f2=$(save_state s2)
press r 2
f3=$(save_state s3)
[ "$f3" -lt "$f2" ] && [ "$f3" -gt "$f1" ] ||
  e2e_fail "holding rewind went from frame $f2 to $f3, not back into the run after $f1"
"$bin/velkari-replay" --script "$work/ref/idle.script" --load-snapshot "$work/s1.snap" \
  --frames "$f3" --render-audio --save-snapshot "$f3:$work/ref/s3.snap" >/dev/null ||
  e2e_fail "velkari-replay from s1 failed"
cmp -s "$work/s3.snap" "$work/ref/s3.snap" ||
  e2e_fail "the state after rewinding to frame $f3 is not velkari-replay's"
echo "rewind went from frame $f2 back to $f3, velkari-replay's state there"
quit_retroarch

# --- Run-ahead, one frame in a second instance --------------------------------
config "$work/ahead.cfg" 'run_ahead_enabled = "true"' 'run_ahead_frames = "1"' \
  'run_ahead_secondary_instance = "true"'
start_retroarch "$work/ahead.cfg" "$work/ahead.log"
sleep 1
shot ahead_title
[ "$(ra match "$work/ahead_title.png" "$work/ref/title.bmp")" = 0 ] ||
  e2e_fail "with run-ahead the title differs from velkari-replay's"
press z
sleep 1.5
# The second instance is a copy of the core that RetroArch loads beside the first.
grep -q "$work/tmp/.*velkari_libretro.so" "/proc/$ra_pid/maps" ||
  e2e_fail "run-ahead loaded no second instance of the core"
f4=$(save_state s4)
sleep 0.2
ra send "$port" PAUSE_TOGGLE
sleep 0.3
shot ahead
ra send "$port" PAUSE_TOGGLE
n=$(board_differs "$work/ahead.png")
[ "$n" = 0 ] || e2e_fail "with run-ahead the stage 1 board differs from velkari-replay's in $n pixels"
mapfile -t after < <(frames_after s4 "$work/s4.snap" "$f4" 150)
i=$(ra match "$work/ahead.png" "${after[@]}")
[ "$i" -ge 0 ] || e2e_fail "with run-ahead the picture is none of velkari-replay's frames after $f4"
quit_retroarch
[ -n "${E2E_KEEP:-}" ] && cp "$work"/title.png "$work"/play.png "$work"/loaded.png "$work"/ahead.png "$E2E_KEEP/"
echo "title and stage 1 as velkari-replay draws them, with and without run-ahead; closed with status 0"
