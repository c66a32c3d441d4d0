// A PNG writer for the installed icons and the page's: 8-bit RGB, no filter,
// the image data in one deflate block of fixed codes that copies runs and
// repeated rows (an enlarged icon shrinks to a few kilobytes), so that no
// zlib is needed.
#pragma once

#include "gfx/surface.h"

// Writes `picture` to `path`, each of its pixels as a scale x scale square
// (nearest neighbour: no colour is mixed). False when the file cannot be
// written or the picture is empty.
bool SavePngFile(const char* path, const Surface& picture, int scale);
