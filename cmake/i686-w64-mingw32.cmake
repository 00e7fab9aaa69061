# Cross build for 32-bit Windows (the release's default download).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QF_MINGW_PREFIX i686-w64-mingw32)
set(QF_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
