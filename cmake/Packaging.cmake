# The Debian package: cpack -G DEB from a Release build (scripts/make-deb.sh). A package
# installs under /usr whatever prefix the build folder was configured with.
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brindlemoor)
set(CPACK_PACKAGE_CONTACT "Brindlemoor <support@brindlemoor.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Archive extractor for ZIP, RAR, ACE and ARJ archives")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaly extracts ZIP, RAR, ACE and ARJ archives, also self-extracting files and
volume sets, into a folder of your choice, asking before it overwrites anything and
for the passwords of encrypted entries. It has a desktop program with a folder
tree, a drop target and a tray icon, and tessaly-extract, the same job on the
terminal for scripts and machines without a display.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tessaly.brindlemoor.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brindlemoor <support@brindlemoor.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessaly.brindlemoor.org/")
# The libraries' packages come from dpkg-shlibdeps; ARJ archives need the arj utility and
# opening files and folders needs xdg-open, neither of which a plain extraction needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "arj, xdg-utils")
# tessaly_3.6.0_amd64.deb, the name Debian's own tools give.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)

include(CPack)
