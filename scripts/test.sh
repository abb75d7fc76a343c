#!/usr/bin/env bash
# Installs what is missing, builds, and runs the tests: every test once in the
# optimised build; the unit tests and one session per fax class under
# AddressSanitizer + UndefinedBehaviorSanitizer; then a short run of every
# fuzz target. The test presets carry their own environment and selection
# (labels unit, e2e, realtime, tool, sanitize), so `ctest --preset asan` by
# hand runs the same as here; `ctest --preset release` runs both halves of
# the optimised build's tests in one go. The benchmarks are not built here
# (cmake --build --preset bench).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release
# The unit tests use the processor; the sessions mostly wait on lines paced
# in real time, so more of them run at once.
ctest --preset release-unit
ctest --preset release-sessions

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

# A short run of every fuzz target from its seed corpus (clang, libFuzzer).
bash scripts/fuzz.sh 8
