# Debian packages, built from the install rules with `cpack -G DEB` in the build tree:
#   orbtagentes      the four libraries (data and windows, of the suite and of the
#                    component), the orbenta program (demo data built in), the
#                    orbenta-ventanas program it runs for the windows, and the report
#                    files. The libraries it links are computed from the binaries
#                    (dpkg-shlibdeps); what Qt loads at run time as plugins cannot be
#                    seen there and is named: the SQL drivers of the three engines and the
#                    window-system plugins (offscreen included).
#   orbtagentes-dev  headers, the libraries' link names and the CMake package config,
#                    for host projects that write find_package(ORBTAgentes CONFIG). It
#                    needs the runtime package of the same version and the Qt development
#                    packages its package config asks for.
set(CPACK_PACKAGE_NAME orbtagentes)
set(CPACK_PACKAGE_VENDOR "Orbenta")
set(CPACK_PACKAGE_CONTACT "Orbenta <soporte@orbenta.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sales agents of the Orbenta business suite")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME orbtagentes)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-odbc, qt6-qpa-plugins")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "fonts-wqy-microhei, odbc-postgresql")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Agents, their sales and commission totals, \
commission rules by product family and article, and the windows that office staff use \
to maintain them; with the orbenta program (command-line tool, and demo host through \
orbenta-ventanas) and the suite's report files.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME orbtagentes-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "orbtagentes (= ${PROJECT_VERSION}), qt6-base-dev (>= 6.4), qt6-pdf-dev (>= 6.4)")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "Headers and CMake package config of the ORBTAgentes component for host programs.")

include(CPack)
