#!/bin/bash
# Runs every test: the portable core natively and under ASan/UBSan, each
# fuzz target for a bounded time, and the Windows build under Wine (built
# but not run, with a notice, where the kernel can't start 32-bit programs).
# Installs whatever Debian packages are missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

step() { printf '\n==== %s\n' "$*"; }

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "ASan + UBSan build and tests"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize

step "fuzzing (${KX_FUZZ_SECONDS:=60} s per target)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
scripts/fuzz.sh "$KX_FUZZ_SECONDS"

step "Windows build, tests under Wine"
cmake --preset win32 >/dev/null
cmake --build --preset win32
if scripts/check-32bit.sh; then
  scripts/wine-ctest.sh
  scripts/e2e.sh
else
  # Built and compiled, tests included, but not run: said loudly, since a
  # machine that can't start 32-bit programs can't test them either.
  step "SKIPPED: the Windows build's tests under Wine (unit tests and end to end) did not run on this machine"
fi
