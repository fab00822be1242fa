#!/bin/sh
# A picture of the preview pane (the example song mid-line) under Xvfb, for
# looking at. Usage: scripts/preview_screenshot.sh [BUILD_DIR] [OUT.png] [SECONDS] [VIDEO]
set -eu
build=${1:-build}
out=${2:-preview.png}
cmake --build "$build" --target preview_screenshot
shift $(( $# < 2 ? $# : 2 ))
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/ui/preview_screenshot" "$out" "$@"
