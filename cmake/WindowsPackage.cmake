# The player's zip of the Windows build (cpack -G ZIP in the build folder):
# velkari.exe with its img folder, velkari-mml.exe and a read-me.
install(TARGETS velkari velkari-mml RUNTIME DESTINATION .)
install(DIRECTORY ${VELKARI_IMG_DIR} DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/backends/win32/README-player.txt DESTINATION . RENAME README.txt)
set(CPACK_PACKAGE_NAME velkari)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME velkari-${PROJECT_VERSION}-win64)
set(CPACK_GENERATOR ZIP)
include(CPack)
