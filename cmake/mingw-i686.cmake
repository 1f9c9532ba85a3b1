# Cross toolchain for the Windows program as shipped: 32-bit (Debian's g++-mingw-w64-i686).
set(QUILLON_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
