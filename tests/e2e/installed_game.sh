#!/usr/bin/env bash
# The installed game: `cmake --install` of this build into a temporary prefix
# lays out the desktop tree, whose desktop entry and metainfo validate; the
# game that the desktop entry names, started from / as a launcher starts it,
# finds its pictures under share/velkari and shows the title pixel for pixel
# as velkari-replay draws it; without them it names the folders it tried.
#   installed_game.sh BIN_DIR      (BIN_DIR in a configured build folder)
set -euo pipefail
bin=$(cd "${1:?usage: installed_game.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.bash
. "$here/common.bash"
e2e_workdir
prefix=$work/prefix
cmake --install "$bin/.." --prefix "$prefix" >"$work/install.log" || e2e_fail "install: $(cat "$work/install.log")"

app=org.velkari.velkari
for f in bin/velkari bin/velkari-mml share/velkari/img/tobernix.bmp share/velkari/img/velkimg.bmp \
  share/velkari/img/girl.bmp share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
  share/man/man6/velkari.6.gz share/man/man1/velkari-mml.1.gz share/doc/velkari/copyright \
  share/doc/velkari/changelog.gz share/doc/velkari-mml/copyright; do
  [ -s "$prefix/$f" ] || e2e_fail "not installed: $f"
done
for s in 16 32 48 64 128 256; do
  [ "$(identify -format '%m %wx%h' "$prefix/share/icons/hicolor/${s}x$s/apps/velkari.png")" = "PNG ${s}x$s" ] ||
    e2e_fail "no ${s}px icon"
done
desktop=$prefix/share/applications/$app.desktop
desktop-file-validate "$desktop" || e2e_fail "desktop-file-validate: $desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app.metainfo.xml" >"$work/as.log" ||
  e2e_fail "appstreamcli: $(cat "$work/as.log")"
grep -qx 'Name\[ja\]=velkariゲーム' "$desktop" || e2e_fail "no Japanese name in $desktop"
grep -qx 'Categories=Game;LogicGame;' "$desktop" || e2e_fail "not in the Game category"
page=$(man -l "$prefix/share/man/man6/velkari.6.gz" 2>/dev/null)
grep -q 'velkari - arcade puzzle game' <<<"$page" || e2e_fail "the man page does not read"

exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "$prefix/bin/velkari" ] || e2e_fail "the desktop entry starts '$exec_line'"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$bin/../CMakeCache.txt")
[ -n "$version" ] && [ "$(cd / && "$exec_line" --version)" = "velkari $version" ] || e2e_fail "--version"

printf '1 -\n1 -\n' >"$work/title.replay" # a regular file: a pipe is refused
"$bin/velkari-replay" --script "$work/title.replay" --frame "2:$work/ref_title.bmp" ||
  e2e_fail "velkari-replay failed"
e2e_start_game "$prefix/bin" "$work" /
sleep 1.5
e2e_shot "$work/title.png" || e2e_fail "no screenshot of the title"
n=$(compare -metric AE "$work/title.png" "$work/ref_title.bmp" null: 2>&1 || true)
[ "$n" = 0 ] || e2e_fail "the installed game's title differs from velkari-replay's in $n pixels"
e2e_close_game
grep -q 'cannot load picture' "$work/game.log" && e2e_fail "the installed game missed a picture: $(cat "$work/game.log")"

# Without its pictures the game still opens, and says where it looked.
mv "$prefix/share/velkari/img" "$prefix/share/velkari/img.away"
e2e_start_game "$prefix/bin" "$work" /
sleep 0.5
e2e_close_game
expected="velkari: cannot load picture img/tobernix.bmp: not found in ./img/, $prefix/bin/img/, $prefix/share/velkari/img/; it is not drawn"
grep -qxF "$expected" "$work/game.log" || e2e_fail "no word of the folders tried: $(cat "$work/game.log")"
echo "installed $(find "$prefix" -type f | wc -l) files; desktop entry and metainfo valid;" \
  "title from / identical to the replay; missing pictures named"
