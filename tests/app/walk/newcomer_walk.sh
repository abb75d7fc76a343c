#!/usr/bin/env bash
# Runs the newcomer's walk under Xvfb (Qt's xcb platform) on an empty
# configuration, then checks what it left: a picture of every step and the
# received fax printed to a PDF file of one or more pages.
# Usage: newcomer_walk.sh NEWCOMER_WALK OUTDIR
set -euo pipefail
walk=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
export HOME="$work/home" QT_QPA_PLATFORM=xcb
mkdir -p "$HOME"
unset WAYLAND_DISPLAY
timeout 240 xvfb-run -a -s "-screen 0 1280x1024x24" "$walk" "$out" "$work"
for step in 01-first-start-device-choice 02-main-window 03-send-page 04-sending 05-sent 06-receiving \
            07-received-list 08-viewer 09-print-dialog 10-printed; do
  f="$out/$step.png"
  [ -s "$f" ] || { echo "missing $f" >&2; exit 1; }
  colours=$(identify -format '%k' "$f")
  [ "$colours" -gt 8 ] || { echo "$f looks blank ($colours colours)" >&2; exit 1; }
done
pdf=$(ls "$HOME"/*.pdf 2>/dev/null | head -1)
[ -n "$pdf" ] || { echo "no PDF was printed into $HOME" >&2; exit 1; }
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "${pages:-0}" -ge 1 ] || { echo "the printed PDF has no pages" >&2; exit 1; }
echo "walk: $(ls "$out" | wc -l) pictures in $out; the printed PDF has $pages page(s)"
