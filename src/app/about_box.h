// The About box of the programs that have no dialog of their own (the SDL
// window and the web page; the Windows program shows its dialog 103): the
// program's icon, name and version drawn by the core over the game's last
// frame, so that every such window shows the same pixels. It is modal: while
// it is open RunFrame runs no frame, and the frames that came due meanwhile
// run back to back once it closes. A backend calls OpenAboutBox on Alt+/ or
// Alt+?, and AboutBoxKey and AboutBoxClick with what the player does while it
// is open. Main thread only.
#pragma once

class Surface;

struct AboutBoxRect {
  int x, y, width, height;
};

bool AboutBoxOpen();
// Keeps the back buffer's picture, draws the box over it and presents it at
// once. Does nothing when the box is open already or there is no back buffer.
void OpenAboutBox();
// Escape, Enter, Space or Z (virtual-key codes) close the box; other keys do
// nothing. Nothing happens while it is closed.
void AboutBoxKey(int vkey);
// A click at (x, y), in the frame's pixels, closes the box when it falls on it.
void AboutBoxClick(int x, int y);
// Puts the back buffer back as it was and presents it, and has the keys held
// now count as up until they are released, so that the key that closed the
// box does not reach the game.
void CloseAboutBox();
// Where the box stands in the 640 x 480 frame.
AboutBoxRect AboutBoxBounds();
// Closes the box without presenting anything and lets go of its memory (the
// window has gone).
void ReleaseAboutBox();

// Snapshots: the picture behind the open box (the back buffer as it was when
// the box opened), null while the box is closed. A snapshot keeps that
// picture and draws the box again over it when loaded.
const Surface* AboutBoxBehind();
// Closes the box without touching the back buffer or the keys, keeping its
// memory: a loaded snapshot or a fresh start puts its own picture there.
void ForgetAboutBox();
