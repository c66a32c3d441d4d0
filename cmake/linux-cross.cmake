# Shared by the toolchain files of the Linux cross builds (linux-aarch64.cmake,
# linux-armhf.cmake): Debian's cross compilers for the triple _triple, which
# each file sets before including this one, and qemu-user to run what they
# build (ctest, gtest_discover_tests). Libraries come from two places:
# the compiler's own sysroot /usr/TRIPLE (C and C++ runtimes) and Debian's
# multiarch folders /usr/lib/TRIPLE with the headers under /usr/include (SDL2,
# X11 as libsdl2-dev:ARCH), where CMAKE_LIBRARY_ARCHITECTURE points find_*.
# VELKARI_DEB_ARCH, Debian's name of the architecture, is what the Debian
# package is made for.
set(CMAKE_SYSTEM_NAME Linux)

find_program(_velkari_cxx NAMES ${_triple}-g++ REQUIRED)
find_program(_velkari_cc NAMES ${_triple}-gcc REQUIRED)
set(CMAKE_CXX_COMPILER ${_velkari_cxx})
set(CMAKE_C_COMPILER ${_velkari_cc})
set(CMAKE_LIBRARY_ARCHITECTURE ${_triple})

# The programs run under qemu-user, which takes the target's dynamic loader
# from the sysroot (-L). The C and C++ runtimes must come from the same place
# as that loader: where multiarch libc6:ARCH is installed too, the loader
# would otherwise find its libc in /lib/TRIPLE, another build of glibc whose
# private layout differs (pthread_create then loops for ever). Other libraries
# (SDL2) it still finds in /usr/lib/TRIPLE.
find_program(_velkari_qemu NAMES ${_qemu} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${_velkari_qemu};-L;/usr/${_triple};-E;LD_LIBRARY_PATH=/usr/${_triple}/lib)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config (FindSDL2's fallbacks, FindX11) reads the target's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${_triple}/pkgconfig:/usr/share/pkgconfig)
