# velkari_add_subsystem(NAME DEPS...): one static library per core subsystem,
# built from every .cpp in src/NAME. Core code sees only src/ and the standard
# library: no SDL or Windows include path is ever added to these targets.
function(velkari_add_subsystem name)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${name}/*.cpp)
  if(NOT _src)
    set(_src ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(velkari_${name} STATIC ${_src})
  target_include_directories(velkari_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(velkari_${name} PUBLIC velkari_flags ${ARGN})
endfunction()

# Every game executable finds img/ beside itself: all executables go to bin/,
# and the art build (res/) writes bin/img/*.bmp.
set(VELKARI_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
set(VELKARI_IMG_DIR ${VELKARI_BIN_DIR}/img)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${VELKARI_BIN_DIR})

function(velkari_copy_images target)
  if(TARGET velkari_images)
    add_dependencies(${target} velkari_images)
  endif()
endfunction()
