#!/usr/bin/env bash
# Builds everything with clang's AddressSanitizer and UndefinedBehaviorSanitizer, runs the whole test suite
# on that build, and runs each libFuzzer target for a bounded time. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --sanitize
export CC=clang-14 CXX=clang++-14
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVANTREL_WERROR=ON -DVANTREL_SANITIZE=ON -DVANTREL_FUZZ=ON \
      -DVANTREL_BUILD_BENCH=OFF -DVANTREL_FUZZ_SECONDS="${VANTREL_FUZZ_SECONDS:-30}"
cmake --build build-sanitize -j2
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$PWD/tests/sanitizer/ubsan.supp"
exec bash scripts/ctest-split.sh build-sanitize
