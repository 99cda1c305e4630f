# One set of warnings for every target of ours. ORBENTA_WERROR (CI turns it on) makes
# them errors, for our own code only: Qt's and GoogleTest's headers are system headers.
option(ORBENTA_WERROR "Treat warnings in our own code as errors" OFF)

function(orbenta_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Werror=return-type)
    if(ORBENTA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
