#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: converts a sample
# text file into an APF fax file with the built-in font and with a system
# font, unpacks the fax into a TIFF and a BMP image, turns the BMP back into a
# fax, draws a cover page design with its tags filled in, and shows what was
# made. With a display, the desktop program starts: its main window, with the
# sample fax open in the viewer window; without one, the fax is sent over the
# simulated fax line and what arrived is shown.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target telvane-fax telvane

tool=build/release/tools/fax_tool/telvane-fax
out=build/demo
mkdir -p "$out"
"$tool" convert -o "$out/sample.apf" --station-id "Telvane demo" tests/data/sample.txt
"$tool" convert -o "$out/sample-enhanced.apf" --type textex --enh-font "DejaVu Sans Mono" --high \
  tests/data/sample.txt
"$tool" unpack -o "$out/sample.tif" "$out/sample.apf"
"$tool" unpack -o "$out/sample-page.bmp" --page 1 "$out/sample.apf"
"$tool" convert -o "$out/sample-from-bmp.apf" --high "$out/sample-page.bmp"
"$tool" cover -o "$out/cover.apf" --bitmap "$out/cover.png" --sender "Telvane demo" \
  --recipient "Accounts department" --page-number 1 --page-count 3 fuzz/corpus/fcp_load/text.fcp
"$tool" info --lines "$out/sample.apf" "$out/sample-enhanced.apf" "$out/sample-from-bmp.apf" "$out/cover.apf"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  # No display for the viewer: the sample fax goes out over the simulated
  # line instead, a spandsp fax terminal takes it into a TIFF file, and
  # libtiff tells what arrived.
  echo "demo: sending $out/sample.apf over the simulated line"
  rm -f "$out/APDFAX.HIS"
  "$tool" send --device "simulated line" --sim-pace 4 --sim-save-dir "$out/far" --to 5551234 \
    --station-id "Telvane demo" --header 'Telvane demo $D $T  page $P of $N' --history "$out/APDFAX.HIS" \
    "$out/sample.apf"
  cat "$out/APDFAX.HIS"
  echo "demo: the far end received $out/far/call-1.tif:"
  tiffinfo "$out/far/call-1.tif" 2>/dev/null | grep -E "TIFF Directory|Image Width|Resolution|Compression"
fi
echo "demo: the fax files and images are in $out/"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: starting the desktop program, with $out/sample.apf in the viewer window"
  build/release/app/main/telvane "$out/sample.apf"
fi
