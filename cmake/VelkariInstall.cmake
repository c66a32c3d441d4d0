# Installing velkari on a Linux desktop, under any prefix:
#   bin/velkari                  the game (games/velkari in the Debian package)
#   bin/velkari-mml              the music writer's tool
#   share/velkari/img/*.bmp      the pictures (the game finds them from
#                                bin/ or games/ through ../share/velkari)
#   share/applications/org.velkari.velkari.desktop
#   share/icons/hicolor/NxN/apps/velkari.png   16, 32, 48, 64, 128, 256
#   share/metainfo/org.velkari.velkari.metainfo.xml
#   share/man/man6/velkari.6.gz, share/man/man1/velkari-mml.1.gz
#   share/doc/PACKAGE/copyright, share/doc/PACKAGE/changelog.gz
# and the Debian packages, `cpack -G DEB` in the build folder: one per install
# component (velkari_package, cmake/VelkariPackages.cmake), each lintian-clean.
if(VELKARI_BUILD_WIN32)
  return()
endif()

set(VELKARI_APP_ID org.velkari.velkari)
set(VELKARI_GAME_DIR bin CACHE STRING
    "Folder of the game under the install prefix (the Debian package uses games)")
set(VELKARI_SCREENSHOT_URL "https://velkari.invalid/screenshots" CACHE STRING
    "Where the metainfo's screenshots (docs/screenshots/*.png) are published")
set(VELKARI_PACKAGE_CONTACT "velkari developers <velkari@velkari.invalid>" CACHE STRING
    "Maintainer of the Debian packages")

velkari_gzip(${CMAKE_SOURCE_DIR}/res/man/velkari.6 velkari.6)
velkari_gzip(${CMAKE_SOURCE_DIR}/res/man/velkari-mml.1 velkari-mml.1)

# --- velkari: the game --------------------------------------------------------
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
" COMPONENT game)

if(TARGET velkari)
  install(TARGETS velkari RUNTIME DESTINATION "\${VELKARI_INSTALL_GAME_DIR}" COMPONENT game)
  install(FILES ${_desktop_out} DESTINATION share/applications COMPONENT game)
endif()
install(DIRECTORY ${VELKARI_IMG_DIR}/ DESTINATION share/velkari/img COMPONENT game
        FILES_MATCHING PATTERN "*.bmp")
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor/ DESTINATION share/icons/hicolor
        COMPONENT game FILES_MATCHING PATTERN "velkari.png")
configure_file(${CMAKE_SOURCE_DIR}/res/desktop/${VELKARI_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/install/${VELKARI_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/${VELKARI_APP_ID}.metainfo.xml DESTINATION share/metainfo
        COMPONENT game)
install(FILES ${VELKARI_DOC_DIR}/velkari.6.gz DESTINATION share/man/man6 COMPONENT game)
velkari_package(game velkari games
  "arcade puzzle game with its own chiptune synthesizer"
  "Push blocks, take items and break walls on a board of 15 by 15 cells to\n\
reach the goal before the time runs out. Every stage is generated from its\n\
number, and all music comes from the game's own synthesizer.\n\
\n\
A run can be recorded as the keys of each frame and played back exactly.")

# --- velkari-mml: the music tool ----------------------------------------------
if(TARGET velkari-mml)
  install(TARGETS velkari-mml RUNTIME DESTINATION bin COMPONENT mml)
  install(FILES ${VELKARI_DOC_DIR}/velkari-mml.1.gz DESTINATION share/man/man1 COMPONENT mml)
  velkari_package(mml velkari-mml sound
    "chiptune music macro language compiler and synthesizer"
    "velkari-mml compiles, checks, renders to WAV and plays the music macro\n\
language of the game velkari, with the game's own synthesizer: pulse,\n\
sawtooth, triangle and noise voices on eight channels, with envelopes,\n\
vibrato and sweep. A song file keeps every channel's text in one place.")
endif()

# --- The Debian packages ------------------------------------------------------
# One .deb for each velkari_package of the build (cmake/VelkariPackages.cmake):
# velkari_1.0_amd64.deb, velkari-mml_1.0_amd64.deb, ...
get_property(_packages GLOBAL PROPERTY VELKARI_PACKAGES)
foreach(_component ${_packages})
  string(TOUPPER ${_component} _c)
  get_property(_package GLOBAL PROPERTY VELKARI_PACKAGE_${_c})
  list(GET _package 0 CPACK_DEBIAN_${_c}_PACKAGE_NAME)
  list(GET _package 1 CPACK_DEBIAN_${_c}_PACKAGE_SECTION)
  list(GET _package 2 CPACK_DEBIAN_${_c}_DESCRIPTION)
  set(CPACK_DEBIAN_${_c}_FILE_NAME DEB-DEFAULT)
endforeach()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkari)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELKARI_PACKAGE_CONTACT})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${_packages})
# The libretro core (backends/libretro) is of no use without a frontend.
set(CPACK_DEBIAN_LIBRETRO_PACKAGE_DEPENDS "retroarch | libretro-frontend")
set(CPACK_DEBIAN_PACKAGE_SOURCE velkari)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
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
