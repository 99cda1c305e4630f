# Debian packages, built from the install rules with `cpack -G DEB` in the build tree:
#   orbtagentes      the four libraries (data and windows, of the suite and of the
#                    component), the orbenta program (demo data built in), the
#                    orbenta-ventanas program it runs for the windows, and the report
#                    files. The libraries it links are computed from the binaries
#                    (dpkg-shlibdeps); what Qt loads at run time as plugins cannot be
#                    seen there and is named: the SQL drivers of the three engines and the
#                    window-system plugins (offscreen included), and Qt's own Spanish
#                    texts (qtbase_es.qm), which the suite library loads at run time.
#   orbtagentes-dev  headers, the libraries' link names and the CMake package config,
#                    for host projects that write find_package(ORBTAgentes CONFIG). It
#                    needs the runtime package of the same version and the Qt development
#                    packages its package config asks for.
#   Both carry the copyright file and the changelog (gzip -9n, no time stamp) in their
#   /usr/share/doc folder; the runtime package declares its libraries (shlibs) and
#   activates ldconfig through a trigger, and installs a desktop entry and an icon that
#   open the demo host from the applications menu. lintian reports no error on them
#   (scripts/package checks).
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
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/packaging/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The documents every Debian package carries, for each of the two packages.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
               ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nf -k changelog
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging VERBATIM)
add_custom_target(orbenta_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
foreach(component runtime development)
    if(component STREQUAL runtime)
        set(package orbtagentes)
    else()
        set(package orbtagentes-dev)
    endif()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
                  ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/orbtagentes.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/orbtagentes.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT runtime)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME orbtagentes)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libqt6sql6-odbc, \
libqt6charts6, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "fonts-wqy-microhei, odbc-postgresql")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "Agents, their sales and commission totals,
commission rules by product family and article, and the windows that
office staff use to maintain them; with the orbenta program (command-line
tool, and demo host through orbenta-ventanas) and the report files.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME orbtagentes-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "orbtagentes (= ${PROJECT_VERSION}), qt6-base-dev (>= 6.4), qt6-pdf-dev (>= 6.4)")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "Headers and CMake package config of the ORBTAgentes component,
for host programs.")

include(CPack)
