#!/usr/bin/env bash
# Runs the desktop program once under a real X server (Xvfb, Qt's xcb
# platform): the main window starts on a fresh profile whose stored modem is
# the simulated line, shows each of its four pages, writes their pictures
# into OUTDIR and quits. Fails when the program fails, hangs, or a page
# picture is missing or blank.
# Usage: run_under_x.sh TELVANE OUTDIR
set -euo pipefail
telvane=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out" "$work/config" "$work/data"
cat > "$work/config/settings.reg" <<'REG'
[software\Kestrel\telphone]
"Modem"="simulated line"
[software\Kestrel\Fax]
"StationID"="010 5551234"
REG
export TELVANE_CONFIG_DIR="$work/config" TELVANE_DATA_DIR="$work/data" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" "$telvane" --screenshots "$out"
for i in 1 2 3 4; do
  f="$out/page-$i.png"
  [ -s "$f" ] || { echo "missing $f" >&2; exit 1; }
  colours=$(identify -format '%k' "$f")
  [ "$colours" -gt 8 ] || { echo "$f looks blank ($colours colours)" >&2; exit 1; }
  echo "$f: $(identify -format '%wx%h' "$f"), $colours colours"
done
# The profile kept the stored modem and wrote nothing broken.
grep -q '"Modem"="simulated line"' "$work/config/settings.reg"
