# Debian packages the build and the program need; sourced by run.sh and test.sh.
# The icon's bitmaps are rendered from its SVG at build time (librsvg2-bin).
BUILD_PACKAGES=(build-essential cmake pkg-config libzip-dev liblzma-dev libzstd-dev libssl-dev
                zlib1g-dev libbz2-dev libisal-dev libarchive-dev libuchardet-dev qt6-base-dev
                librsvg2-bin)
RUN_PACKAGES=(xdg-utils arj)
# For rendering the windows to pictures without a display (tools/screenshots.sh).
SCREENSHOT_PACKAGES=(xvfb xauth)
# The tests make their archives with the peers' tools (gcab: compressed cabinets); the
# desktop files are checked with the desktop's own validators and the shared MIME database.
TEST_PACKAGES=(libgtest-dev zip unzip p7zip-full python3 unace libarchive-tools gcab
               desktop-file-utils appstream libxml2-utils groff-base man-db shared-mime-info
               libglib2.0-bin bash-completion dpkg xz-utils bzip2 zstd lz4)
# CPack's DEB generator finds the libraries' packages with dpkg-shlibdeps (dpkg-dev),
# after telling programs from other files with file (scripts/make-deb.sh).
DEB_PACKAGES=(dpkg-dev file)
