# The parts of a MinGW-w64 cross build that both architectures share; the
# toolchain file of each (i686-w64-mingw32.cmake, x86_64-w64-mingw32.cmake)
# sets CMAKE_SYSTEM_PROCESSOR, QF_MINGW_PREFIX and QF_ARCH, then includes it.
#
# The compilers are those of the win32 thread model: their runtime uses
# Windows' own threads and locks, where the posix model links a pthreads
# emulation (about 30 KiB) into every program. GCC 12's win32 model has no
# std::thread or std::mutex; the programs need neither, and the tests use
# Win32 threads (tests/support/win32_thread.h).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${QF_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${QF_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER  ${QF_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QF_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine in the build tree's private prefix of their
# architecture (scripts/wine-env.sh reads QF_ARCH).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env QF_ARCH=${QF_ARCH}
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec.sh)
