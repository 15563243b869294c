#!/usr/bin/env bash
# Builds the whole project and its tests with clang and libc++, the closest
# stand-in here for macOS's compiler and C++ library, warnings as errors, and
# runs the whole test suite.
#
#   .ci/libcxx.sh         in build-libcxx
#
# Installs nothing. Needs the Debian packages clang, libc++-dev, libc++abi-dev,
# googletest (GoogleTest's sources: Debian's libgtest is built for libstdc++)
# and cmake, besides what the test suite needs itself.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${LIBCXX_BUILD:-build-libcxx}

missing() {
    echo "libcxx.sh: $1 (Debian package: $2)" >&2
    exit 2
}
command -v cmake >/dev/null || missing "cmake is not installed" cmake
command -v clang++ >/dev/null || missing "clang is not installed" clang
[ -f /usr/src/googletest/CMakeLists.txt ] || missing "GoogleTest's sources are not installed" googletest
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '#include <string>\nint main() { return std::string("x").size() - 1; }\n' >"$probe/probe.cpp"
clang++ -stdlib=libc++ "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/log" ||
    { cat "$probe/log" >&2; missing "clang cannot build with libc++" "libc++-dev libc++abi-dev"; }

CC=clang CXX="clang++ -stdlib=libc++" cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DSONG_GTEST_SOURCE=/usr/src/googletest >/dev/null
cmake --build "$build" -j2 >/dev/null
ctest --test-dir "$build" --output-on-failure -j2
