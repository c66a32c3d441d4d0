// Drawing of the play screen into the back buffer: the board from the cell
// sheet (slot 1), the animated player with a block it pushes, and the status
// panel in the font sheet (slot 0). The play frame draws all of it every frame;
// the game over scene draws board and panel once. Clearing and presenting are
// the callers' business.
#pragma once

#include <cstddef>

// The one buffer every panel and scene text is formatted into before it is
// drawn; the longest text, the key reminder, is 30 characters.
constexpr std::size_t TEXT_BUFFER_SIZE = 31;
extern char textBuffer[TEXT_BUFFER_SIZE];

// The player's first picture on the cell sheet; the second follows it.
constexpr int PICTURE_PLAYER = 6;

void DrawBoard();
// One frame of the player's two-picture animation: the picture changes every
// 15 frames, moving or not.
void AnimatePlayer();
void DrawPlayer(int x, int y, int offsetX, int offsetY, int picture);
void DrawStatusPanel();
// The program's icon at (x, y) in pixels: the player's first picture on a
// floor cell, 32 pixels square (the About box shows it).
void DrawIconPicture(int x, int y);
