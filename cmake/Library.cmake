# orbenta_library(NAME INCLUDES <folder under include/> HEADERS <installed headers>
#                 SOURCES <sources and private headers> PUBLIC <links> PRIVATE <links>
#                 PCH <headers to precompile>)
# One shared library of ours: versioned, exported as ORBTAgentes::NAME, built with our
# warnings, and installed with its public headers (their folders kept) for hosts that
# write find_package(ORBTAgentes CONFIG).
function(orbenta_library name)
    cmake_parse_arguments(PARSE_ARGV 1 L "" "INCLUDES" "HEADERS;SOURCES;PUBLIC;PRIVATE;PCH")
    add_library(${name} SHARED ${L_SOURCES} ${L_HEADERS})
    add_library(ORBTAgentes::${name} ALIAS ${name})
    set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1
                          EXPORT_NAME ${name})
    target_include_directories(${name} PUBLIC
        $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/${L_INCLUDES}>)
    target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
    orbenta_warnings(${name})
    orbenta_precompile(${name} ${L_PCH})
    install(TARGETS ${name} EXPORT ORBTAgentesTargets
            LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
                    NAMELINK_COMPONENT development
            ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
            RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
    foreach(h ${L_HEADERS})
        get_filename_component(dir ${h} DIRECTORY)
        install(FILES ${h} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${L_INCLUDES}/${dir}
                COMPONENT development)
    endforeach()
endfunction()
