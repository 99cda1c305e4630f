# Qt's and GoogleTest's headers are most of each translation unit's compile time: every
# target precompiles the ones it leans on, so that a cold build (a fresh checkout) stays
# short. ORBENTA_PCH=OFF compiles every file on its own, as a check that each file
# includes what it uses.
option(ORBENTA_PCH "Precompile the Qt and GoogleTest headers" ON)

function(orbenta_precompile target)
    if(ORBENTA_PCH)
        if(ARGV1 STREQUAL "REUSE_FROM")
            target_precompile_headers(${target} REUSE_FROM ${ARGV2})
        else()
            target_precompile_headers(${target} PRIVATE ${ARGN})
        endif()
    endif()
endfunction()
