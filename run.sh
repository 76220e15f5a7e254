#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts the desktop program with the given archives.
set -euo pipefail
repo="$(cd "$(dirname "$0")" && pwd)"
source "$repo/scripts/packages.sh"
"$repo/scripts/install-packages.sh" "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
cmake -S "$repo" -B "$repo/build-release" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF >/dev/null
cmake --build "$repo/build-release" -j"$(nproc)" --target tessaly tessaly-extract
# Archive paths stay relative to the folder the user started from.
exec "$repo/build-release/src/tessaly" "$@"
