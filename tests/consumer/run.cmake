# Installs the project into a scratch prefix, builds the consumer against it and runs it.
# -DSOURCE=<project source> -DBINARY=<project build> -DWORK=<scratch folder>
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BINARY} --prefix ${WORK}/prefix
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE}/tests/consumer -B ${WORK}/build -G Ninja
                        -DCMAKE_PREFIX_PATH=${WORK}/prefix COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build COMMAND_ERROR_IS_FATAL ANY)
# The libraries find each other where the loader looks: a host installed into a prefix
# of its own names that prefix's library folder (the widgets library is needed by the
# component's library, not by the host, so the host's own run path does not reach it).
file(GLOB_RECURSE library ${WORK}/prefix/libORBTAgentes.so.1)
get_filename_component(libdir "${library}" DIRECTORY)
execute_process(COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir}
                        ${WORK}/build/consumer ${WORK}/consumer.db RESULT_VARIABLE rc
                OUTPUT_VARIABLE out)
message(STATUS "${out}")
if(rc OR NOT out MATCHES "Nerea Aguirre")
    message(FATAL_ERROR "consumer failed: ${out}")
endif()
