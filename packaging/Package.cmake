# The Debian package of everything the install rules name, built by `make package` as
# build/dravel_<version>_<arch>.deb. Included last from the top level, after every install
# rule. Its dependencies are computed from the binaries (dpkg-shlibdeps); what the binaries
# load at run time without linking it is named below.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dravel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kelmar Software")
set(CPACK_PACKAGE_CONTACT "Dravel team <dravel@kelmarsoftware.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop system-information panel")
set(CPACK_PACKAGE_DESCRIPTION
  "Dravel shows live figures about the machine in a small borderless window: processor
usage, processes and threads, uptime, memory and page file, disk space, network rates,
addresses, names, date and time, and sensor temperatures and fans, laid out by one
format text of free text and tags. A copy can serve its figures to other copies and,
through a SOAP web service, to other programs. dravelfmt evaluates the same format
text from a shell.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 platform plugin is loaded, not linked; xdg-open shows the -? page.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# Maintainer scripts (service units want them) go in this list.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "")

include(CPack)
