#!/usr/bin/env bash
# Runs the whole-program tests under valgrind's memcheck: the test programs and,
# through --trace-children, every songmake, songasm, songdump, songcheck, songplay and songprep
# run they start (songprep's promise test, hundreds of runs, is left to the other builds).
# A memcheck error or a definite leak makes that process exit with 99, which
# fails its test (the runner expects the program's own exit code).
#
#   .ci/valgrind.sh                        in its own build folder, build-bad
#   VALGRIND_BUILD=build .ci/valgrind.sh   reusing the normal build
#
# Installs nothing. Needs the Debian packages valgrind, g++, cmake, libgtest-dev
# and libgmock-dev.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath -m "${VALGRIND_BUILD:-build-bad}")

missing() {
    echo "valgrind.sh: $1 (Debian package: $2)" >&2
    exit 2
}
command -v cmake >/dev/null || missing "cmake is not installed" cmake
command -v valgrind >/dev/null || missing "valgrind is not installed" valgrind

# An existing build folder (VALGRIND_BUILD=build reuses the normal one) keeps its build type.
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" >/dev/null
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 >/dev/null

memcheck=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=full
          --errors-for-leak-kinds=definite --show-leak-kinds=definite
          --trace-children=yes --child-silent-after-fork=yes --quiet)

failed=()
for group in badinput songmake songasm songdump songcheck songplay songprep; do
    tests="$build/tests/$group/${group}_tests"
    [ -x "$tests" ] || continue
    log="$build/valgrind-$group.log"
    rm -f "$log".*
    if "${memcheck[@]}" --log-file="$log.%p" "$tests" >"$log" 2>&1; then
        echo "valgrind $group: $(grep -E '^\[  PASSED  \]' "$log")"
    else
        echo "valgrind $group: FAILED"
        grep -E '^\[  FAILED  \]' "$log" || tail -30 "$log"
        find "$build" -maxdepth 1 -name "valgrind-$group.log.*" -size +0 -exec cat {} + | head -80
        failed+=("$group")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "valgrind.sh: memcheck failures in: ${failed[*]}" >&2
    exit 1
fi
