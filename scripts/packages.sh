# Debian packages the build and the program need; sourced by run.sh and test.sh.
BUILD_PACKAGES=(build-essential cmake pkg-config libzip-dev liblzma-dev libzstd-dev libssl-dev
                zlib1g-dev libbz2-dev)
RUN_PACKAGES=(xdg-utils)
TEST_PACKAGES=(libgtest-dev zip unzip p7zip-full python3)
