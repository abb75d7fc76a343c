#!/usr/bin/env bash
# The modem emulator driven from the other side by efax, an independent
# Class 2 / Class 2.0 fax program: efax sends three pages through it, or
# receives three pages from its far end, and every page must arrive with
# exactly the raster lines that went in.
#
# Usage: efax_check.sh EMULATOR 2|2.0 send|receive WORKDIR
# Exit 77 (skipped) when efax is not installed.
set -euo pipefail

emu=$1 class=$2 direction=$3 work=$4
command -v efax >/dev/null && command -v efix >/dev/null || { echo "efax/efix not installed"; exit 77; }
[ "$class" = 2 ] && option=-o2 || option=-o0

rm -rf "$work" && mkdir -p "$work/in" "$work/out" "$work/rx"
emu_pid=
cleanup() { [ -n "$emu_pid" ] && kill "$emu_pid" 2>/dev/null || true; }
trap cleanup EXIT

# Three test pages of 120 lines (the second one fine), as PBM files.
"$emu" --far-end "pages=3" --save-call-pages "$work/in" --dry-run
rows=120 row_bytes=216

start_emulator() {
  "$emu" --class "$class" --exit-after-call --timeout-s 40 "$@" >"$work/path" 2>"$work/emu.log" &
  emu_pid=$!
  for _ in $(seq 100); do [ -s "$work/path" ] && break; sleep 0.05; done
  device=$(head -1 "$work/path")
  [ -n "$device" ] || { echo "the emulator gave no device"; cat "$work/emu.log"; exit 1; }
}

# Compares the last 120 rows of two PBM files; the first may have more rows
# above them, which must be white.
same_page() {
  local got=$1 want=$2
  cmp <(tail -c $((rows * row_bytes)) "$got") <(tail -c $((rows * row_bytes)) "$want") || return 1
  local height
  height=$(head -c 40 "$got" | tr '\n' ' ' | awk '{print $3}')
  [ "$height" -ge "$rows" ] || return 1
  local extra=$(((height - rows) * row_bytes))
  [ "$extra" -eq 0 ] || cmp <(tail -c $((rows * row_bytes + extra)) "$got" | head -c "$extra") <(head -c "$extra" /dev/zero)
}

if [ "$direction" = send ]; then
  # efax divides by the whole seconds a page took, so pages take a second here.
  start_emulator --far-end "page-time-ms=1000" --save-pages "$work/out"
  # An empty header line: efax then only adds white lines above the page.
  timeout 60 efax -d "$device" $option -v ewi -h "" -l "+1 555 0100" \
    -t 12345 "$work"/in/page-1.pbm "$work"/in/page-2.pbm "$work"/in/page-3.pbm
  wait "$emu_pid"; emu_pid=
  for i in 1 2 3; do
    same_page "$work/out/page-$i.pbm" "$work/in/page-$i.pbm" || { echo "page $i differs"; exit 1; }
  done
  [ ! -e "$work/out/page-4.pbm" ] || { echo "more than three pages"; exit 1; }
else
  # efax waits for the modem to answer by itself (S0=2) and reports what it got.
  start_emulator --far-end "pages=3; rings=4; ring-interval-ms=400; caller-id=+1 555 0199" --call-after "+FLI"
  timeout 60 efax -d "$device" $option -v ewi -iS0=2 -w -l "+1 555 0100" -r "$work/rx/fax" 2>"$work/efax.log" \
    || { cat "$work/efax.log"; exit 1; }
  wait "$emu_pid"; emu_pid=
  cat "$work/efax.log"
  grep -q -- '-> "         +1 555 0199"' "$work/efax.log" || { echo "caller's ID not seen"; exit 1; }
  [ "$(grep -c ' 0 errors' "$work/efax.log")" -eq 3 ] || { echo "efax found errors in the pages"; exit 1; }
  for i in 1 2 3; do
    efix -o pbm "$work/rx/fax.00$i" >"$work/rx/page-$i.pbm" 2>/dev/null
    same_page "$work/rx/page-$i.pbm" "$work/in/page-$i.pbm" || { echo "page $i differs"; exit 1; }
  done
  [ ! -e "$work/rx/fax.004" ] || { echo "more than three pages"; exit 1; }
fi
echo "efax $direction, Class $class: three pages raster-exact"
