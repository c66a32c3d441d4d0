# Fails when a core source (src/app diag gfx input game sound, and the platform
# contract in src/platform) includes anything but a project header in quotes or
# a standard C++ library header (or the compiler's own x86 intrinsics), when
# the contract holds an implementation, when a core room includes a room that
# does not stand below it, or when a backend reaches into the core past the
# contract (platform/) and the shell (app/).
#
# The layers, lowest first: platform; diag; gfx, input, sound (side by side);
# game; app. A room includes its own headers and those of the rooms below it.
# A backend (backends/NAME) includes platform/, app/, common/ (what backends
# share) and its own folder.
set(allowed
  immintrin.h
  algorithm array atomic bit cassert cerrno cinttypes climits cmath condition_variable cstddef
  cstdint cstdio cstdlib cstring chrono deque exception filesystem fstream functional initializer_list
  iomanip ios iosfwd iostream istream iterator limits map memory mutex new numeric optional
  ostream random ratio set span sstream string string_view system_error thread tuple
  type_traits unordered_map utility variant vector)
set(below_platform "")
set(below_diag platform)
set(below_gfx platform diag)
set(below_input platform diag)
set(below_sound platform diag)
set(below_game platform diag gfx input sound)
set(below_app platform diag gfx input sound game)
set(failures "")
foreach(sub app diag gfx input game sound platform)
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${sub}/*.cpp ${SOURCE_DIR}/src/${sub}/*.h)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(inc ${CMAKE_MATCH_1})
        if(NOT EXISTS ${SOURCE_DIR}/src/${inc} AND NOT inc MATCHES "^generated/")
          list(APPEND failures "${f}: ${line}")
        elseif(NOT inc MATCHES "^generated/" AND inc MATCHES "^([a-z0-9_]+)/")
          set(room ${CMAKE_MATCH_1})
          list(FIND below_${sub} ${room} idx)
          if(NOT room STREQUAL sub AND idx EQUAL -1)
            list(APPEND failures "${f}: ${line} (${sub} may include only ${sub}/ and the rooms below it)")
          endif()
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        list(FIND allowed ${CMAKE_MATCH_1} idx)
        if(idx EQUAL -1)
          list(APPEND failures "${f}: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()
file(GLOB backends LIST_DIRECTORIES true ${SOURCE_DIR}/backends/*)
foreach(dir ${backends})
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(name ${dir} NAME)
  file(GLOB_RECURSE files ${dir}/*.cpp ${dir}/*.h)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line ${lines})
      if(line MATCHES "#[ \t]*include[ \t]*\"([a-z0-9_]+)/")
        set(room ${CMAKE_MATCH_1})
        if(NOT room MATCHES "^(platform|app|common|${name})$")
          list(APPEND failures "${f}: ${line} (a backend takes from the core only platform/ and app/)")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()
file(GLOB_RECURSE impl ${SOURCE_DIR}/src/platform/*.cpp)
foreach(f ${impl})
  list(APPEND failures "${f}: an implementation inside the platform contract")
endforeach()
if(failures)
  list(JOIN failures "\n" msg)
  message(FATAL_ERROR "core sources include headers outside the standard library:\n${msg}")
endif()
message(STATUS "core includes only standard and project headers, each room only what lies below it; backends only the contract and the shell")
