# Cross build for 64-bit ARM Linux (Raspberry Pi OS 64-bit, most handhelds and
# TV boxes) with Debian's g++-aarch64-linux-gnu; the programs run under
# qemu-aarch64 (qemu-user).
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(_triple aarch64-linux-gnu)
set(_qemu qemu-aarch64)
set(VELKARI_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
