#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each one for a bounded time, starting from the seed corpus our own
# generator writes and from the inputs of earlier findings (fuzz/regressions/NAME).
# Fails when any fuzzer finds a crash, a leak, undefined behaviour, a timeout or
# runaway memory; the input that did it is kept in BUILD/fuzz/findings/NAME/.
#
#   .ci/fuzz.sh                    every fuzzer for 60 seconds
#   FUZZ_SECONDS=300 .ci/fuzz.sh   longer
#   .ci/fuzz.sh midi_reader        one fuzzer
#
# Installs nothing. Needs the Debian packages clang, libclang-rt-14-dev (or the
# runtime of whichever clang is installed) and cmake.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}

missing() {
    echo "fuzz.sh: $1 (Debian package: $2)" >&2
    exit 2
}
command -v cmake >/dev/null || missing "cmake is not installed" cmake
command -v clang >/dev/null && command -v clang++ >/dev/null || missing "clang is not installed" clang
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
    >"$probe/probe.cpp"
clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/log" ||
    { cat "$probe/log" >&2; missing "clang cannot link libFuzzer with the sanitizers" libclang-rt-14-dev; }

CC=clang CXX=clang++ cmake -S . -B "$build" -DSONG_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzzers -j2 >/dev/null

if [ $# -gt 0 ]; then
    names=("$@")
else
    names=()
    for fuzzer in "$build"/fuzz/fuzz_*; do
        [ -x "$fuzzer" ] && names+=("${fuzzer##*/fuzz_}")
    done
fi

failed=()
for name in "${names[@]}"; do
    out="$build/fuzz"
    corpus="$out/corpus/$name"
    findings="$out/findings/$name"
    log="$out/$name.log"
    mkdir -p "$corpus" "$findings"
    inputs=("$corpus" "$out/seeds/$name")
    [ -d "fuzz/regressions/$name" ] && inputs+=("fuzz/regressions/$name")

    # -timeout: an input taking 10 s is a hang; -rss_limit_mb: 2 GiB is runaway memory.
    if "$out/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "${inputs[@]}" >"$log" 2>&1; then
        stats=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 | tr -s ' \t' ' ' || true)
        echo "fuzz $name: ${seconds}s, no finding: $stats"
    else
        echo "fuzz $name: FINDING (see $log and $findings/)"
        grep -E -A40 'ERROR|runtime error|deadly signal|Timeout|out-of-memory' "$log" | head -60 || tail -40 "$log"
        failed+=("$name")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz.sh: findings in: ${failed[*]}" >&2
    exit 1
fi
