#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop needs: the
# programs, a valid desktop entry with its icon, the fax file type (which the
# MIME database takes, recognising a fax file by its content), and the user
# guide.
# Usage: install_check.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/telvane bin/telvane-fax share/applications/telvane.desktop \
         share/icons/hicolor/scalable/apps/telvane.svg share/mime/packages/telvane-apf.xml \
         share/doc/telvane/telvane.html; do
  [ -s "$prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
"$prefix/bin/telvane" --version
desktop-file-validate "$prefix/share/applications/telvane.desktop"
update-mime-database "$prefix/share/mime" 2>/dev/null
grep -q 'application/x-telvane-apf' "$prefix/share/mime/globs2"
grep -aq 'application/x-telvane-apf' "$prefix/share/mime/magic"
echo "installed and valid"
