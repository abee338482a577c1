#!/usr/bin/env bash
# Runs one fuzz harness for a while: scripts/fuzz.sh TARGET MINUTES
#   TARGET: config description pagemodel scb textlists decode serial (see tests/fuzz)
# Builds the libFuzzer programs with clang, ASan and UBSan in build-fuzz/, starts from the seed
# corpus (tests/fuzz/corpus/TARGET) and the inputs found by earlier runs (build-fuzz/corpus/TARGET),
# and leaves any crashing input in build-fuzz/findings/TARGET: add it to tests/fuzz/findings/TARGET
# once mended, so that the replay test keeps it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
target="${1:?usage: scripts/fuzz.sh TARGET MINUTES}"
minutes="${2:-10}"
build="${PELORIN_FUZZ_BUILD_DIR:-$root/build-fuzz}"

if [ ! -f "$build/build.ninja" ]; then
    CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPELORIN_FUZZ=ON
fi
nice cmake --build "$build" -j "${PELORIN_FUZZ_BUILD_JOBS:-2}" --target "fuzz_$target"

mkdir -p "$build/corpus/$target" "$build/findings/$target"
export QT_QPA_PLATFORM=offscreen
# Qt and the font stack keep caches until exit: leak checking is left to the sanitized test run
export ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$build"
exec nice "$build/bin/fuzz_$target" -max_total_time=$((minutes * 60)) -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$root/tests/fuzz/corpus/$target"
