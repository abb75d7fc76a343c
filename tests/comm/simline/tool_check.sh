#!/usr/bin/env bash
# telvane-fax-line from the command line: two terminals through the line,
# unpaced, and the one-line result the tests of other programs parse; bad
# options exit with status 2.
#
# Usage: tool_check.sh TOOL WORKDIR
set -euo pipefail
tool=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
command -v convert >/dev/null || { echo "ImageMagick not installed"; exit 77; }

# A small fax page made by an independent program.
convert -size 1728x60 xc:white -fill black -draw "rectangle 100,10 900,40" \
  -density 204x98 -units PixelsPerInch -compress Fax "$work/page.tif"

out=$("$tool" --far-end terminal-to-terminal --pace 0 --send-tiff "$work/page.tif" \
  --receive-tiff "$work/rx.tif" --station-id "TOOL RX" --modems v29 --linger 0)
echo "$out"
line=$(grep '^result call=1 ' <<<"$out")
grep -q ' pages=1 bit-rate=9600 code=0 text="OK" remote="SIMULATED SENDER"' <<<"$line"
grep -q ' sender-pages=1 sender-bit-rate=9600 sender-code=0 .* sender-remote="TOOL RX"' <<<"$line"
[ "$(identify -format '%w %h' "$work/rx.tif")" = "1728 60" ]
compare -metric AE "$work/page.tif" "$work/rx.tif" null: 2>"$work/ae" || true
[ "$(cat "$work/ae")" = 0 ] || { echo "received page differs: $(cat "$work/ae") pixels"; exit 1; }

set +e
"$tool" --far-end nowhere >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] && grep -q "unknown far end" "$work/err" || { echo "bad far end: status $rc"; exit 1; }
"$tool" --pace 0 --receive-tiff "$work/x.tif" >/dev/null 2>"$work/err"; rc=$?
[ $rc -eq 2 ] || { echo "unpaced line with a modem: status $rc"; exit 1; }
for bad in "--noise nan" "--pace inf" "--call-delay -1" "--timeout -5" "--linger nan"; do
  # shellcheck disable=SC2086
  timeout 10 "$tool" $bad --receive-tiff "$work/x.tif" >/dev/null 2>"$work/err"; rc=$?
  [ $rc -eq 2 ] && grep -q "bad value" "$work/err" || { echo "$bad: status $rc"; exit 1; }
done
echo "telvane-fax-line: terminal to terminal at 9600 bit/s, page intact"
