// The game's pictures compiled into the core (built_in_pictures.cpp is
// written at build time from the img/*.bmp the art build draws), so that the
// one module file is all a player installs.
#pragma once

#include <cstddef>

#include "app/shell.h"

namespace libretro {

extern const BuiltInPicture BUILT_IN_PICTURES[];
extern const size_t BUILT_IN_PICTURE_COUNT;

}  // namespace libretro
