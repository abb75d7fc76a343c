#!/usr/bin/env bash
# Saves pictures of the viewer window as a user sees it, on the sample fax
# made from tests/data/sample.txt: OUTDIR/viewer-100.png (100 %) and
# OUTDIR/viewer-50-rot90.png (50 %, turned a quarter clockwise).
# Usage: scripts/screenshots.sh [OUTDIR]   (default: screenshots/)
# The window is drawn by Qt's offscreen platform, so no display is needed;
# set QT_QPA_PLATFORM=xcb to use a real (or Xvfb) display instead.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build/release}
out=${1:-screenshots}
mkdir -p "$out"

[ -f "$build/build.ninja" ] || cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target telvane-fax viewer_screenshot >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/fax_tool/telvane-fax" convert --high -q -o "$work/sample.apf" tests/data/sample.txt
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/tests/viewer/viewer_screenshot" "$work/sample.apf" "$out"
