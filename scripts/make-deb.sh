#!/usr/bin/env bash
# Builds the Debian package build-deb/tessaly_3.6.0_amd64.deb from a Release build
# installed under /usr, and shows its control data and its files.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/install-packages.sh "${BUILD_PACKAGES[@]}" "${DEB_PACKAGES[@]}"
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DTESSALY_TESTS=OFF
cmake --build build-deb -j"$(nproc)"
rm -f build-deb/tessaly_*.deb
(cd build-deb && cpack -G DEB)
package=$(ls build-deb/tessaly_*_*.deb)
dpkg-deb -I "$package"
dpkg-deb -c "$package"
echo "Made $package"
