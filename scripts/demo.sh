#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: converts a sample
# text file into an APF fax file with the built-in font and with a system
# font, and shows what was made.
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
"$tool" info --lines "$out/sample.apf" "$out/sample-enhanced.apf"
