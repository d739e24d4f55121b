# Cross build for 32-bit Windows with mingw-w64 on Debian.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARVOLK_MINGW_TRIPLET i686-w64-mingw32)

# SSE2 doubles, so that double arithmetic rounds exactly as on x86_64
# (x87 would keep 80-bit intermediates).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
