# The Debian package: `cpack -G DEB` in a build folder writes caelvane_VERSION_ARCH.deb with what
# `cmake --install` puts in place under /usr (the programs, the desktop entry, the file type,
# the icons, the metadata, the manual pages, the example series) and the package's own
# documents: the copyright with the licence, and the changelog. Depends comes from the
# libraries the programs load (dpkg-shlibdeps), plus the data the precise source reads.
set(caelvane_package_docs ${CMAKE_CURRENT_BINARY_DIR}/package-docs)
file(MAKE_DIRECTORY ${caelvane_package_docs})

# Debian's copyright file, machine-readable, with the licence's whole text: the AGPL is not
# among the licences every Debian system holds.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE caelvane_licence_text)
string(REGEX REPLACE "\n\n" "\n.\n" caelvane_licence_text "${caelvane_licence_text}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" caelvane_licence_text "${caelvane_licence_text}")
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/copyright.in
               ${caelvane_package_docs}/copyright @ONLY)

# The changelog and the manual pages go compressed, as Debian's policy asks.
find_program(CAELVANE_GZIP gzip REQUIRED)
configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in
               ${caelvane_package_docs}/changelog @ONLY)
foreach(document IN ITEMS changelog)
  execute_process(COMMAND ${CAELVANE_GZIP} -9nf ${caelvane_package_docs}/${document}
                  RESULT_VARIABLE caelvane_gzip_status)
  if(NOT caelvane_gzip_status EQUAL 0)
    message(FATAL_ERROR "cannot compress ${document}")
  endif()
endforeach()
install(FILES ${caelvane_package_docs}/copyright ${caelvane_package_docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME caelvane)
set(CPACK_PACKAGE_VENDOR "Brightwold")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graphical ephemeris for financial and natal astrology")
set(CPACK_PACKAGE_DESCRIPTION
    "For every day of a job Caelvane draws a printable chart page with heliocentric\n\
and geocentric wheels, an hour dial, aspect tables and a Moon latitude scale.\n\
It finds the sky's events (aspects, ingresses, stations, lunations, eclipses),\n\
draws price charts with planetary price lines, natal charts and event studies.\n\
caelvane-cli does the same without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Caelvane developers <caelvane@brightwold.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# The precise source reads the data files; libgeonames0 (the atlas) comes with the libraries.
if(CAELVANE_WITH_SWISSEPH)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS swe-basic-data)
endif()
# dpkg-shlibdeps adds the libraries; Debian wants files owned by root and plain permissions.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
