#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan from scratch and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/install-packages.sh "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
rm -rf build-test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)" --timeout 900
