# Cross build for 32-bit Windows with Debian's mingw-w64 (posix threads), used by
# scripts/build-windows. The C++ run-time, libgcc and winpthread are linked statically, so the DLLs
# and programs need nothing beyond the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MIRELOW_MINGW_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${MIRELOW_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MIRELOW_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MIRELOW_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MIRELOW_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE2 arithmetic as on x86-64 (the same rounding as the Linux build, no x87 excess precision),
# and a stack realigned on entry: 32-bit hosts call with 4-byte alignment.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
