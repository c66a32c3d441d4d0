# Cross build for 32-bit ARM Linux with hardware floating point (ARMv7: older
# Raspberry Pi boards and handhelds) with Debian's g++-arm-linux-gnueabihf:
# 32-bit pointers and long, its own libm; the programs run under qemu-arm
# (qemu-user).
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(_triple arm-linux-gnueabihf)
set(_qemu qemu-arm)
set(VELKARI_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# GCC notes where 32-bit ARM passes some arguments otherwise since GCC 7.1;
# that matters only to code mixed with objects of GCC 6 or older.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
