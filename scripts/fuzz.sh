#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one from its seed
# corpus for the given number of seconds (default 10). New inputs that the
# fuzzer finds go to build/fuzz/corpus/<target>/, never into the repository.
# A crash, leak or sanitizer report stops the script with the fuzzer's
# reproducer file named in its output.
#   bash scripts/fuzz.sh            # short run, as the test command does
#   bash scripts/fuzz.sh 600        # ten minutes per target
#   bash scripts/fuzz.sh 60 tiff    # one minute, targets whose name holds "tiff"
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-10}"
only="${2:-}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzzers

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

ran=0
for source in fuzz/*_fuzz.cpp; do
  name="$(basename "$source" _fuzz.cpp)"
  binary="build/fuzz/fuzz/${name}_fuzz"
  [[ -z "$only" || "$name" == *"$only"* ]] || continue
  work="build/fuzz/corpus/$name"
  mkdir -p "$work" "build/fuzz/artifacts"
  corpora=("$work")
  [ -d "fuzz/corpus/$name" ] && corpora+=("fuzz/corpus/$name")
  echo "fuzz: $name for ${seconds}s"
  # The image preparation decodes pictures of up to 64 million pixels, which
  # under the sanitizers take close to 1 GB: the limit leaves room above that.
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=0 \
      -artifact_prefix="build/fuzz/artifacts/$name-" "${corpora[@]}" \
      2> "build/fuzz/$name.log" || { tail -50 "build/fuzz/$name.log"; echo "fuzz: $name FAILED" >&2; exit 1; }
  tail -1 "build/fuzz/$name.log"
  ran=$((ran + 1))
done
echo "fuzz: $ran targets ran without a finding"
