#!/usr/bin/env bash
# Saves pictures of the desktop program's windows as a user sees them:
#   OUTDIR/page-1.png .. page-4.png   the main window's four pages
#   OUTDIR/phone_book.png, fax_list_form.png, cover_form.png,
#     device_selection_form.png, fax_status_form.png, com_select_form*.png,
#     modem_terminal.png              the phone book and the small dialogs
#   OUTDIR/viewer-100.png, viewer-50-rot90.png   the viewer window on the
#     sample fax made from tests/data/sample.txt
#   OUTDIR/designer_surface.png, page_options.png, generated_page.png,
#     designer_beside_fax_page.png   the cover page designer's surface with a
#     sample design, its page options dialog, the fax page drawn from the
#     same design, and the page beside the fax page generated from it
#   OUTDIR/tag_dialog.png, text_editor.png, designer_window.png   the cover
#     designer's tag dialog, its text editor with a sample text cover, and
#     its window with a sample design in design mode, a field selected
# Usage: scripts/screenshots.sh [OUTDIR]   (default: screenshots/)
# The windows are drawn by Qt's offscreen platform, so no display is needed;
# set QT_QPA_PLATFORM=xcb to use a real (or Xvfb) display instead.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build/release}
out=$(mkdir -p "${1:-screenshots}" && cd "${1:-screenshots}" && pwd)

[ -f "$build/build.ninja" ] || cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target telvane telvane-fax viewer_screenshot dialogs_screenshot \
  designer_surface_screenshot designer_windows_screenshot >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/tools/fax_tool/telvane-fax" convert --high -q -o "$work/sample.apf" tests/data/sample.txt
"$build/tests/viewer/viewer_screenshot" "$work/sample.apf" "$out"
"$build/tests/app/dialogs/dialogs_screenshot" "$out" >/dev/null
"$build/tests/designer/ui/designer_surface_screenshot" "$out" >/dev/null
"$build/tests/designer/windows/designer_windows_screenshot" "$out" 2>/dev/null
# The main window on a fresh profile whose stored modem is the simulated line.
mkdir -p "$work/config" "$work/data"
printf '[software\\Kestrel\\telphone]\n"Modem"="simulated line"\n' > "$work/config/settings.reg"
TELVANE_CONFIG_DIR="$work/config" TELVANE_DATA_DIR="$work/data" "$build/app/main/telvane" --screenshots "$out"
echo "screenshots: $(ls "$out" | wc -l) pictures in $out"
