# Cross build for 64-bit Windows with MinGW-w64 from Linux (Debian package
# g++-mingw-w64-x86-64-posix), the tests run under wine (Debian package wine64):
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#   cmake --build build-windows -j2 && ctest --test-dir build-windows -j2
#
# GoogleTest is built from Debian's sources (package googletest, /usr/src/googletest):
# Debian ships no MinGW build of it. .ci/windows.sh does all of this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model, whose runtime has std::thread and std::mutex; the
# win32 model's lacks them.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program carries its C and C++ runtime and threads library, so that it
# runs on a Windows machine (or under wine) without MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest, and the test discovery after each test program is built, start the
# programs through wine. Debian's package wine64 installs the 64-bit loader as
# /usr/lib/wine/wine64; its wrapper script /usr/bin/wine (package wine) asks
# for the 32-bit one first. WINEDEBUG=-all keeps wine's own diagnostics out of
# the tests' output.
# -DCMAKE_CROSSCOMPILING_EMULATOR=... chooses another way to start them.
find_program(SONGTOOLS_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(SONGTOOLS_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env WINEDEBUG=-all ${SONGTOOLS_WINE})
endif()
