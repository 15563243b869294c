#!/usr/bin/env bash
# Cross-builds every program and the test suite for 64-bit Windows with
# MinGW-w64 and runs the whole suite under wine with ctest: unit tests,
# conversions, and the bad-input matrix with its Windows cases (a read-only or
# open output file). Tests that need what Windows lacks (a file-size limit,
# /dev/zero, permission bits, a POSIX shell for the AVR toolchain) report a
# skip with the reason.
#
#   .ci/windows.sh        in build-windows, with its own wine prefix inside it
#
# Installs nothing. Needs the Debian packages g++-mingw-w64-x86-64-posix,
# wine64, wine64-preloader, googletest (GoogleTest's sources, built here for
# Windows) and cmake.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath -m "${WINDOWS_BUILD:-build-windows}")

missing() {
    echo "windows.sh: $1 (Debian package: $2)" >&2
    exit 2
}
command -v cmake >/dev/null || missing "cmake is not installed" cmake
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
    missing "MinGW-w64 is not installed" g++-mingw-w64-x86-64-posix
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$wine" ] || missing "wine is not installed" wine64
# Without it, now and then a program fails to start ("failed to map the shared
# user data"): the address it needs was given to something else first.
[ -x /usr/lib/wine/wine64-preloader ] || missing "wine's preloader is not installed" wine64-preloader
wineserver=$(command -v wineserver || command -v wineserver64 || echo /usr/lib/wine/wineserver64)
[ -f /usr/src/googletest/CMakeLists.txt ] || missing "GoogleTest's sources are not installed" googletest

# A wine prefix of the build's own: the run does not depend on, or change,
# whatever ~/.wine holds. The test discovery after each build runs under wine too.
export WINEPREFIX="$build/wine"
export WINEDEBUG=-all
mkdir -p "$build"
# Made once, before two test programs could start wine at the same time.
"$wine" wineboot --init
"$wineserver" --wait

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=$?
# wine's own client now and then loses its server ("wine client error ...
# Connection reset by peer") and a test dies with it: what failed runs once
# more, alone, and a real fault fails again.
if [ $status -ne 0 ]; then
  status=0
  ctest --test-dir "$build" --rerun-failed --output-on-failure -j1 || status=$?
fi
# wine keeps its server running for a while after the last program.
"$wineserver" --kill 2>/dev/null || true
exit $status
