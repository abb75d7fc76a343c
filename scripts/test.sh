#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the optimised
# build, once under AddressSanitizer + UndefinedBehaviorSanitizer, then a
# short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release -j2

cmake --preset asan >/dev/null
cmake --build --preset asan
# Leaks inside the system's font and display libraries are theirs, not ours.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Whole Class 1 sessions run at line speed: under the sanitizers one speed
# each way is enough, the other speeds take the same code paths. The command
# line's own Class 1 sessions run the same engine through the simulated line.
ctest --preset asan -j2 -E 'Speeds/.*/(V29_9600|V27_4800|Desired12000|Desired7200)( |$)|ToolFaxClass1\.'

# A short run of every fuzz target from its seed corpus (clang, libFuzzer).
bash scripts/fuzz.sh 8
