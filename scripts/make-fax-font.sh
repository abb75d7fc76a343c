#!/usr/bin/env bash
# Regenerates the built-in fax font (faxdoc/fax_font_data.cpp) with the
# project's generator, tools/make_fax_font, and writes a specimen sheet.
#
#   scripts/make-fax-font.sh [specimen.png]
#
# Needs the packages of scripts/install-deps.sh (Qt 6 and fonts-dejavu-core).
# Builds in build/make-fax-font unless BUILD_DIR names another build tree.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build/make-fax-font}"
specimen="${1:-$build/fax-font-specimen.png}"
font=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf

if [ ! -f "$font" ]; then
  echo "make-fax-font: $font is missing (package fonts-dejavu-core)" >&2
  exit 1
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTELVANE_BUILD_TESTS=OFF -DTELVANE_BUILD_BENCH=OFF >/dev/null
fi
ninja -C "$build" -j2 make_fax_font >/dev/null

QT_QPA_PLATFORM=offscreen "$build/tools/make_fax_font/make_fax_font" \
  --font "$font" --output "$root/faxdoc/fax_font_data.cpp" --specimen "$specimen"
echo "make-fax-font: wrote faxdoc/fax_font_data.cpp and $specimen"
