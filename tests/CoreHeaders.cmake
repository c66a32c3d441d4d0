# Fails when a core source (src/app diag gfx input game sound, and the platform
# contract in src/platform) includes anything but a project header in quotes or
# a standard C++ library header (or the compiler's own x86 intrinsics), or when
# the contract holds an implementation.
set(allowed
  immintrin.h
  algorithm array atomic bit cassert cerrno cinttypes climits cmath condition_variable cstddef
  cstdint cstdio cstdlib cstring chrono deque exception filesystem fstream functional initializer_list
  iomanip ios iosfwd iostream istream iterator limits map memory mutex new numeric optional
  ostream random ratio set span sstream string string_view system_error thread tuple
  type_traits unordered_map utility variant vector)
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
file(GLOB_RECURSE impl ${SOURCE_DIR}/src/platform/*.cpp)
foreach(f ${impl})
  list(APPEND failures "${f}: an implementation inside the platform contract")
endforeach()
if(failures)
  list(JOIN failures "\n" msg)
  message(FATAL_ERROR "core sources include headers outside the standard library:\n${msg}")
endif()
message(STATUS "core includes only standard and project headers")
