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

# velkari_web_page(TARGET NAME SHELL PRE_JS EXPORTS [LINK_OPTION...]): an
# Emscripten page bin/NAME.html (.js, .wasm) from the shell page SHELL and the
# script PRE_JS put before the compiled code, exporting the C functions
# EXPORTS (a comma-separated list); relinked when either file changes.
function(velkari_web_page target name shell prejs exports)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} SUFFIX ".html")
  target_link_options(${target} PRIVATE --shell-file ${shell} --pre-js ${prejs}
    -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sMINIFY_HTML=0
    -sEXPORTED_FUNCTIONS=${exports} ${ARGN})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${shell} ${prejs})
endfunction()

# velkari_tool_command(VAR TARGET): in VAR, how a test script run by
# `cmake -P` (execute_process(COMMAND ${TOOL} ...)) starts the program TARGET:
# the program itself, or in a cross build the program under
# CMAKE_CROSSCOMPILING_EMULATOR (qemu-user). The parts are joined by
# $<SEMICOLON>, so that add_test passes them as one -DTOOL=... argument and
# the script's ${TOOL} is a list again.
function(velkari_tool_command var target)
  set(_cmd "")
  if(CMAKE_CROSSCOMPILING AND CMAKE_CROSSCOMPILING_EMULATOR)
    foreach(_part ${CMAKE_CROSSCOMPILING_EMULATOR})
      string(APPEND _cmd "${_part}$<SEMICOLON>")
    endforeach()
  endif()
  set(${var} "${_cmd}$<TARGET_FILE:${target}>" PARENT_SCOPE)
endfunction()
