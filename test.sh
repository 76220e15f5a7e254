#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan from scratch and runs every
# test, then the threaded paths' tests with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/install-packages.sh "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
# Line tables are all the sanitizers' reports need, and compile and link faster than
# full debugging information.
debug_info=(-DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1)
rm -rf build-test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON "${debug_info[@]}"
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure -j"$(nproc)" --timeout 900
# The threaded paths once more under ThreadSanitizer: the ZIP library's tests, the 7z, RAR
# and ACE libraries' threaded decoding and the libarchive backend's decoding thread.
cd ..
rm -rf build-tsan
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTESSALY_TSAN=ON "${debug_info[@]}"
cmake --build build-tsan -j"$(nproc)" --target unzip_tests un7z_tests unrar_tests unace_tests \
  tessaly_thread_tests
cd build-tsan
export TSAN_OPTIONS="suppressions=$PWD/../libs/unzip/tests/tsan.supp halt_on_error=1"
ctest --output-on-failure -j"$(nproc)" --timeout 900 -L threads
