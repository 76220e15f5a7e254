# Debian packages the build and the program need; sourced by run.sh and test.sh.
BUILD_PACKAGES=(build-essential cmake pkg-config libzip-dev liblzma-dev libzstd-dev libssl-dev
                zlib1g-dev libbz2-dev qt6-base-dev)
RUN_PACKAGES=(xdg-utils arj)
# For rendering the windows to pictures without a display (tools/screenshots.sh).
SCREENSHOT_PACKAGES=(xvfb xauth)
TEST_PACKAGES=(libgtest-dev zip unzip p7zip-full python3 unace libarchive-tools)
# The desktop files: the icon's bitmaps are rendered from its SVG at build time, and the
# tests check the files with the desktop's own validators and the shared MIME database.
BUILD_PACKAGES+=(librsvg2-bin)
TEST_PACKAGES+=(desktop-file-utils appstream libxml2-utils groff-base man-db shared-mime-info
                libglib2.0-bin bash-completion)
