# quillet scan of a file that is not there: exit status 1 (not the 2 of a usage error) and the
# sentence naming the file on standard error.
# Arguments: EMULATOR (empty, or the program that runs Windows programs), QUILLET, MISSING.
separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")
execute_process(COMMAND ${emulator} ${QUILLET} scan ${MISSING}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT out STREQUAL "" OR NOT err MATCHES "^quillet: [^\n]*missing.bin: File not found\r?\n$")
  message(FATAL_ERROR "status ${status}, standard output '${out}', standard error '${err}'")
endif()
