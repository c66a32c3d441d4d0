# Installing velkari on a Linux desktop, under any prefix:
#   bin/velkari                  the game (games/velkari in the Debian package)
#   bin/velkari-mml              the music writer's tool
#   share/velkari/img/*.bmp      the pictures (the game finds them from
#                                bin/ or games/ through ../share/velkari)
#   share/applications/org.velkari.velkari.desktop
#   share/icons/hicolor/NxN/apps/velkari.png   16, 32, 48, 64, 128, 256
#   share/metainfo/org.velkari.velkari.metainfo.xml
#   share/man/man6/velkari.6, share/man/man1/velkari-mml.1
# and the Debian package, `cpack -G DEB` in the build folder.
if(VELKARI_BUILD_WIN32)
  return()
endif()

set(VELKARI_APP_ID org.velkari.velkari)
set(VELKARI_GAME_DIR bin CACHE STRING
    "Folder of the game under the install prefix (the Debian package uses games)")
set(VELKARI_SCREENSHOT_URL "https://velkari.invalid/screenshots" CACHE STRING
    "Where the metainfo's screenshots (docs/screenshots/*.png) are published")
set(VELKARI_PACKAGE_CONTACT "velkari developers <velkari@velkari.invalid>" CACHE STRING
    "Maintainer of the Debian package")

# The game's folder is chosen when it is installed, not when it is built:
# VELKARI_GAME_DIR in the environment (set by cpack for the Debian package)
# overrides the cache. The desktop entry names the game by its full path, so
# a launcher starts it whatever PATH holds (/usr/games is not on root's).
set(_desktop_in ${CMAKE_SOURCE_DIR}/res/desktop/velkari.desktop.in)
set(_desktop_out ${CMAKE_BINARY_DIR}/install/${VELKARI_APP_ID}.desktop)
install(CODE "
  if(DEFINED ENV{VELKARI_GAME_DIR})
    set(VELKARI_INSTALL_GAME_DIR \"\$ENV{VELKARI_GAME_DIR}\")
  else()
    set(VELKARI_INSTALL_GAME_DIR \"${VELKARI_GAME_DIR}\")
  endif()
  set(VELKARI_EXEC \"\${CMAKE_INSTALL_PREFIX}/\${VELKARI_INSTALL_GAME_DIR}/velkari\")
  configure_file(\"${_desktop_in}\" \"${_desktop_out}\" @ONLY)
")

if(TARGET velkari)
  install(TARGETS velkari RUNTIME DESTINATION "\${VELKARI_INSTALL_GAME_DIR}")
  install(FILES ${_desktop_out} DESTINATION share/applications)
endif()
if(TARGET velkari-mml)
  install(TARGETS velkari-mml RUNTIME DESTINATION bin)
endif()
install(DIRECTORY ${VELKARI_IMG_DIR}/ DESTINATION share/velkari/img FILES_MATCHING PATTERN "*.bmp")
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor/ DESTINATION share/icons/hicolor
        FILES_MATCHING PATTERN "velkari.png")
configure_file(${CMAKE_SOURCE_DIR}/res/desktop/${VELKARI_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/install/${VELKARI_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/${VELKARI_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/res/man/velkari.6 DESTINATION share/man/man6)
install(FILES ${CMAKE_SOURCE_DIR}/res/man/velkari-mml.1 DESTINATION share/man/man1)

# --- The Debian package -------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkari)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELKARI_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade puzzle game with its own chiptune synthesizer")
# cpack indents the long description itself; an empty line separates paragraphs.
set(CPACK_PACKAGE_DESCRIPTION
    "Push blocks, take items and break walls on a board of 15 by 15 cells to\n\
reach the goal before the time runs out. Every stage is generated from its\n\
number, and all music comes from the game's own synthesizer.\n\n\
Also contains velkari-mml, which compiles, renders and plays the game's\n\
music macro language.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link (SDL2, X11, the C and C++ runtimes) are
# read from the programs themselves by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A cross build packages for its target (the toolchain file names it); cpack
# would take this machine's architecture.
if(VELKARI_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VELKARI_DEB_ARCH})
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/VelkariPackageConfig.cmake)
include(CPack)
