#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: converts a sample
# text file into an APF fax file with the built-in font and with a system
# font, unpacks the fax into a TIFF and a BMP image, turns the BMP back into a
# fax, and shows what was made.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target telvane-fax

tool=build/release/tools/fax_tool/telvane-fax
out=build/demo
mkdir -p "$out"
"$tool" convert -o "$out/sample.apf" --station-id "Telvane demo" tests/data/sample.txt
"$tool" convert -o "$out/sample-enhanced.apf" --type textex --enh-font "DejaVu Sans Mono" --high \
  tests/data/sample.txt
"$tool" unpack -o "$out/sample.tif" "$out/sample.apf"
"$tool" unpack -o "$out/sample-page.bmp" --page 1 "$out/sample.apf"
"$tool" convert -o "$out/sample-from-bmp.apf" --high "$out/sample-page.bmp"
"$tool" info --lines "$out/sample.apf" "$out/sample-enhanced.apf" "$out/sample-from-bmp.apf"
echo "demo: the fax files and images are in $out/"
