#!/bin/sh
# Takes the README's pictures again: runs the tests that take them (under
# Wine, in a private X server) and copies them, made small, into docs/.
# Usage, after a build: sh scripts/screenshots.sh [build folder, default build]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
tests="test_sheet test_settings_page test_menuitems test_filedialog test_host"
cmake --build "$build" -j "$(nproc)" --target $tests
rm -rf "$build/artifacts"
# A failing test may still have taken its picture; a missing picture stops
# the script below.
(cd "$build" && xvfb-run -a -s "-screen 0 1280x1024x24" \
   ctest -R "^($(echo $tests | tr ' ' '|'))\$" --output-on-failure) || echo "(some tests failed)"
a="$build/artifacts"
python3 scripts/shrink_png.py \
  "$a/about.png" docs/about.png \
  "$a/settings.png" docs/settings.png \
  "$a/menuitems.png" docs/menu-items.png \
  "$a/file-dialog-menu.png" docs/file-dialog-menu.png \
  "$a/add-this-folder.png" docs/add-this-folder.png \
  "$a/item_dialog_open.png" docs/item-dialog.png \
  "$a/item_dialog_windows_shape.png" docs/item-dialog-windows-shape.png \
  "$a/floating-icon.png" docs/floating-icon.png \
  "$a/keyboard.png" docs/keyboard.png \
  "$a/rules.png" docs/rules.png \
  "$a/tray-menu.png" docs/tray-menu.png
