# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64),
# also usable on Windows itself with an MSYS2 MinGW-w64 toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
# Debian's -posix variant has std::thread and std::mutex, which the sound
# engine needs; its -win32 variant does not. MSYS2 has only the plain names.
find_program(_velkari_cxx NAMES ${_triple}-g++-posix ${_triple}-g++ g++ REQUIRED)
find_program(_velkari_cc NAMES ${_triple}-gcc-posix ${_triple}-gcc gcc REQUIRED)
find_program(_velkari_rc NAMES ${_triple}-windres windres REQUIRED)
set(CMAKE_CXX_COMPILER ${_velkari_cxx})
set(CMAKE_C_COMPILER ${_velkari_cc})
set(CMAKE_RC_COMPILER ${_velkari_rc})

if(NOT CMAKE_HOST_WIN32)
  set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
  # Programs come from the build machine; libraries and headers only from the
  # Windows sysroot.
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()

# Every executable runs on a bare Windows with no DLL beside it: the C++
# runtime, libgcc and winpthread are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
