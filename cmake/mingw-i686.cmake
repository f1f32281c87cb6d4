# Cross toolchain for the Windows product: 32-bit PE.
set(VELLICORD_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
