# Cross build for 32-bit Windows with the MinGW-w64 compilers of the win32
# thread model: their runtime uses Windows' own threads and locks, where the
# posix model links a pthreads emulation (about 30 KiB) into every program.
# GCC 12's win32 model has no std::thread or std::mutex; the programs need
# neither, and the tests use Win32 threads (tests/support/win32_thread.h).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QF_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${QF_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QF_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER  ${QF_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QF_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine in the build tree's private prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec.sh)
