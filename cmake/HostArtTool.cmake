# A cross build (the web page, Windows from Linux) cannot run the velkari-art
# it would compile: build one for this machine from the same sources, with the
# host's compiler, and draw the pictures with it. A velkari-art that is already built can be
# given instead with -DVELKARI_ART_TOOL=/path/to/velkari-art.
include(ExternalProject)
set(_host_args "")
if(VELKARI_UNIFONT_HEX)
  list(APPEND _host_args -DVELKARI_UNIFONT_HEX=${VELKARI_UNIFONT_HEX})
endif()
set(_host_dir ${CMAKE_BINARY_DIR}/host-art)
set(_host_art ${_host_dir}/bin/velkari-art${CMAKE_HOST_EXECUTABLE_SUFFIX})
ExternalProject_Add(velkari_host_art
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${_host_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVELKARI_BUILD_GAME=OFF -DVELKARI_BUILD_TESTS=OFF
             -DVELKARI_BUILD_BENCH=OFF -DVELKARI_BUILD_TOOLS=OFF -DVELKARI_BUILD_WEB=OFF
             -DVELKARI_BUILD_WIN32=OFF ${_host_args}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${_host_dir} --target velkari-art
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${_host_art}
  # Rebuilt (a no-op when nothing changed) whenever the pictures are drawn, so
  # that a changed generator never draws with its old self.
  BUILD_ALWAYS ON)
set(VELKARI_ART_TOOL ${_host_art})
# res/ draws the pictures once the tool exists.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL add_dependencies velkari_images velkari_host_art)
