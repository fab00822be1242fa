#!/usr/bin/env bash
# Pictures of the ruby editor and the lyrics text editor on the example song,
# drawn by a real X server (Xvfb), for looking at:
#   scripts/editor_screenshots.sh [OUTDIR]      (default build/screenshots)
# Writes ruby-editor.png (a line with ruby, a marked character, a sub-style),
# ruby-editor-input.png (a reading being typed) and lyrics-editor.png.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/setup.sh"
out="${1:-$root/build/screenshots}"
install_packages
install_font_aliases
[ -f "$root/build/CMakeCache.txt" ] || cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build "$root/build" -j"$(nproc)" --target editor_screenshots >&2
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x800x24" \
    "$root/build/tests/ui/editor_screenshots" "$root/examples/sakura_no_michi.txt" "$out"
