#!/usr/bin/env bash
# Builds the whole project and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the test suite. Any sanitizer report, in a
# test or in a program a test runs, fails its test: the programs then exit with
# 86 in place of the exit code the test expects.
#
#   .ci/sanitize.sh
#
# Installs nothing. Needs the Debian packages g++ (with its libasan and libubsan),
# cmake, libgtest-dev and libgmock-dev, besides what the test suite needs itself.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${SANITIZE_BUILD:-build-asan}

missing() {
    echo "sanitize.sh: $1 (Debian package: $2)" >&2
    exit 2
}
command -v cmake >/dev/null || missing "cmake is not installed" cmake
command -v g++ >/dev/null || missing "g++ is not installed" g++
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'int main() { return 0; }\n' >"$probe/probe.cpp"
g++ -fsanitize=address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/log" ||
    { cat "$probe/log" >&2; missing "g++ cannot link the sanitizer runtimes" "libgcc-12-dev"; }

cmake -S . -B "$build" -DSONG_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

export ASAN_OPTIONS=exitcode=86:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=exitcode=86:halt_on_error=1:print_stacktrace=1
ctest --test-dir "$build" --output-on-failure -j2
