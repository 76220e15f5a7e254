#!/usr/bin/env bash
# Installs what is missing, builds a release build and starts the program with the given archives.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/install-packages.sh "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target tessaly-extract
exec build-release/src/tessaly-extract "$@"
