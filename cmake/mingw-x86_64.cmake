# Cross toolchain for a 64-bit build of the Windows program (Debian's
# g++-mingw-w64-x86-64): the same sources, for running the Windows tests under
# wine64 on hosts that run no 32-bit code. Not what is shipped.
set(QUILLON_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
