#!/usr/bin/env bash
# Builds Zivra and runs every test through CTest.
# With --sanitize the suite is built in build-asan under AddressSanitizer and
# UndefinedBehaviorSanitizer, and any report fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zivra_ensure_packages
if [ "${1:-}" = "--sanitize" ]; then
    zivra_build build-asan -DZIVRA_SANITIZE=ON
    # Qt's libraries have no frame pointers: only the slow unwinder gives leak
    # reports the whole stack that the suppression of Qt's offscreen screen
    # object (tests/lsan.supp) matches.
    export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:malloc_context_size=6"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
    cd build-asan
else
    zivra_build build
    cd build
fi
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
