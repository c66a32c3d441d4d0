#include "play.h"

#include <cstdio>

int RunPlay(int, char**) {
  std::fprintf(stderr, "play: no sound output in this build\n");
  return 2;
}
