# The tool and the data libraries need no widgets: ldd lists every library a file loads,
# directly or through another, and none of them is Qt's Gui or Widgets.
# -DFILES="file;file..."
foreach(f ${FILES})
    execute_process(COMMAND ldd ${f} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(rc OR NOT out MATCHES "libQt6Core")
        message(FATAL_ERROR "ldd could not read ${f}: ${out}")
    endif()
    if(out MATCHES "libQt6(Widgets|Gui)[^\n]*")
        message(FATAL_ERROR "${f} loads ${CMAKE_MATCH_0}")
    endif()
    message(STATUS "${f}: no widgets")
endforeach()
