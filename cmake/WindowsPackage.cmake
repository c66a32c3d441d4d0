# The player's zip of the Windows build (cpack -G ZIP in the build folder):
# velkari.exe with its img folder, velkari-mml.exe, a read-me, and the
# libretro core with its .info.
install(TARGETS velkari velkari-mml RUNTIME DESTINATION .)
if(TARGET velkari_libretro)
  install(TARGETS velkari_libretro LIBRARY DESTINATION .)
  install(FILES ${VELKARI_BIN_DIR}/velkari_libretro.info DESTINATION .)
endif()
install(DIRECTORY ${VELKARI_IMG_DIR} DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/backends/win32/README-player.txt DESTINATION . RENAME README.txt)
set(CPACK_PACKAGE_NAME velkari)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME velkari-${PROJECT_VERSION}-win64)
set(CPACK_GENERATOR ZIP)
include(CPack)
