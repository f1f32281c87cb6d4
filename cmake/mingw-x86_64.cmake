# Cross toolchain for the 64-bit Windows build: PE32+.
set(VELLICORD_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
