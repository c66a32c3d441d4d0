# The player's zip of the Windows build (cpack -G ZIP in the build folder):
# velkari.exe with its img folder, velkari-mml.exe, a read-me, the licence and
# the copyright file (the glyphs of GNU Unifont in the programs), and the
# libretro core with its .info.
install(TARGETS velkari velkari-mml RUNTIME DESTINATION .)
if(TARGET velkari_libretro)
  install(TARGETS velkari_libretro LIBRARY DESTINATION .)
  install(FILES ${VELKARI_BIN_DIR}/velkari_libretro.info DESTINATION .)
endif()
install(DIRECTORY ${VELKARI_IMG_DIR} DESTINATION .)
configure_file(${CMAKE_SOURCE_DIR}/backends/win32/README-player.txt
               ${CMAKE_BINARY_DIR}/zip/README.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/zip/README.txt DESTINATION .)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/zip/LICENSE.txt COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/debian/copyright ${CMAKE_BINARY_DIR}/zip/copyright.txt
               COPYONLY)
install(FILES ${CMAKE_BINARY_DIR}/zip/LICENSE.txt ${CMAKE_BINARY_DIR}/zip/copyright.txt
        DESTINATION .)
set(CPACK_PACKAGE_NAME velkari)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME velkari-${PROJECT_VERSION}-win64)
set(CPACK_GENERATOR ZIP)
include(CPack)
