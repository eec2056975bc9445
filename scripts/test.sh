#!/bin/bash
# Runs every test: the portable core natively and under ASan/UBSan, each
# fuzz target for a bounded time, and the Windows build under Wine. Where the
# kernel starts no 32-bit programs, the Windows tests run as a 64-bit build
# under 64-bit Wine and the end-to-end tests are skipped, with a notice.
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
  # The same tests built for 64-bit Windows, which 64-bit Wine runs; the
  # end-to-end tests need the 32-bit installer itself. Said loudly.
  step "the Windows tests built for 64-bit Windows, under 64-bit Wine"
  cmake --preset win64 >/dev/null
  cmake --build --preset win64
  scripts/wine-ctest.sh --win64
  step "SKIPPED: the end-to-end tests of the 32-bit installer did not run on this machine"
fi
