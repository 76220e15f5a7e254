#!/bin/bash
# Renders the main window, the Status window mid-job and after a finished job, the
# confirmation dialog, the File Exists prompt, the destination dialog, the Edit Favorite
# Folders dialog, each tab of the Options dialog, the set information of a RAR set, the
# contents window, the Properties dialog, the Find Files window, Welcome, About, two help
# pages and the drop target with its menu to PNG files under Xvfb.
#
#   tools/screenshots.sh [OUTFOLDER]      (default: screenshots/)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$repo/screenshots}")
source "$repo/scripts/packages.sh"
"$repo/scripts/install-packages.sh" "${BUILD_PACKAGES[@]}" "${SCREENSHOT_PACKAGES[@]}"

build="$repo/build-tools"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_TOOLS=ON \
  >/dev/null
cmake --build "$build" -j2 --target tessaly_screenshots >/dev/null
mkdir -p "$out"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/tools/tessaly_screenshots" "$out"
