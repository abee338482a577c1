#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/ and runs
# the whole test suite there. Any report stops the program that made it, so its test fails.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

export PELORIN_BUILD_DIR="${PELORIN_BUILD_DIR:-$root/build-sanitize}"
# the benchmarks are left out: they measure the normal build
export PELORIN_CMAKE_ARGS="-DPELORIN_SANITIZE=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"
# Leaks are reported too; the suppressions name only fontconfig, whose caches live until exit,
# never a function of ours.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
exec "$root/test.sh" "$@"
