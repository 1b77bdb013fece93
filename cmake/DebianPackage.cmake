# make package: tolvane_VERSION_ARCH.deb for Debian 12, installed into /usr.
# Its dependencies are Debian's own packages: those of the libraries the
# program links (Qt 6 Core, Gui, Network and Widgets among them), found by
# dpkg-shlibdeps, and the Qt platform plugins, which Qt loads at run time
# rather than links, and without which no window opens.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_CONTACT "Tolvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "FTP transfer scheduler: collects files from FTP sites and delivers files to others")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Each site has an hour of the day, or every hour; when it comes, Tolvane
fetches the site's new files into a working folder, or stores that folder's
files on the site. It runs in a window, or without one as a systemd service.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_STRIP_FILES ON)
include(CPack)
