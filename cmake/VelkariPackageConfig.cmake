# Read by cpack for each package it makes: Debian puts games in /usr/games.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(ENV{VELKARI_GAME_DIR} games)
else()
  unset(ENV{VELKARI_GAME_DIR})
endif()
