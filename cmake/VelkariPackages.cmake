# The Debian packages: velkari_package(COMPONENT PACKAGE SECTION SUMMARY
# DESCRIPTION) makes what is installed with COMPONENT the package PACKAGE, with
# the copyright file and the changelog every Debian package carries in
# share/doc/PACKAGE. It may be called from any folder of the build, before or
# after the files are installed; cmake/VelkariInstall.cmake, included last,
# hands every package to CPack (`cpack -G DEB` makes one .deb each:
# PACKAGE_VERSION_ARCH.deb). SUMMARY is the one-line synopsis (no article, no
# full stop, under 80 characters); DESCRIPTION's lines are at most 79
# characters, and an empty line separates its paragraphs. HACKING.md says how a
# package is kept lintian-clean.

# Man pages and changelogs are installed compressed, as Debian wants them:
# gzip -9n, so that the same source gives the same bytes (no name, no time).
# velkari_gzip(SOURCE NAME): VELKARI_DOC_DIR/NAME.gz, made from SOURCE with
# @PROJECT_VERSION@ filled in.
set(VELKARI_DOC_DIR ${CMAKE_BINARY_DIR}/install/doc)
function(velkari_gzip source name)
  find_program(VELKARI_GZIP gzip REQUIRED)
  configure_file(${source} ${VELKARI_DOC_DIR}/${name} @ONLY)
  add_custom_command(
    OUTPUT ${VELKARI_DOC_DIR}/${name}.gz
    COMMAND ${VELKARI_GZIP} -9nkf ${VELKARI_DOC_DIR}/${name}
    DEPENDS ${VELKARI_DOC_DIR}/${name}
    COMMENT "Compressing ${name}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "velkari_gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${VELKARI_DOC_DIR}/${name}.gz)
endfunction()

function(velkari_package component package section summary description)
  if(VELKARI_BUILD_WIN32)
    return()
  endif()
  if(NOT TARGET velkari_gzip_changelog)
    velkari_gzip(${CMAKE_SOURCE_DIR}/res/debian/changelog.in changelog)
  endif()
  set_property(GLOBAL APPEND PROPERTY VELKARI_PACKAGES ${component})
  string(TOUPPER ${component} c)
  set_property(GLOBAL PROPERTY VELKARI_PACKAGE_${c}
    "${package}" "${section}" "${summary}\n${description}")
  install(FILES ${CMAKE_SOURCE_DIR}/res/debian/copyright DESTINATION share/doc/${package}
          COMPONENT ${component})
  install(FILES ${VELKARI_DOC_DIR}/changelog.gz DESTINATION share/doc/${package}
          COMPONENT ${component})
endfunction()
