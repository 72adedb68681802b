# dcscram on a real SH raw binary, whole programs: the scrambled file no longer looks unscrambled
# to quillet, and unscrambling it gives back the very bytes.
# Arguments: EMULATOR (empty, or the program that runs Windows programs), DCSCRAM, QUILLET, INPUT, WORK.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
separate_arguments(emulator UNIX_COMMAND "${EMULATOR}")

function(run)
  execute_process(COMMAND ${emulator} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}): ${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${QUILLET} scan ${INPUT})
if(NOT out MATCHES "^UNSCRAMBLED\t")
  message(FATAL_ERROR "the raw binary should be UNSCRAMBLED: ${out}")
endif()

run(${DCSCRAM} ${INPUT} ${WORK}/1ST_READ.BIN)
run(${QUILLET} scan ${WORK}/1ST_READ.BIN)
if(NOT out MATCHES "^SCRAMBLED\t")
  message(FATAL_ERROR "the scrambled binary should be SCRAMBLED: ${out}")
endif()

run(${DCSCRAM} -d ${WORK}/1ST_READ.BIN ${WORK}/back.bin)
file(SHA256 ${INPUT} original)
file(SHA256 ${WORK}/back.bin back)
if(NOT original STREQUAL back)
  message(FATAL_ERROR "unscrambling did not give back the original bytes")
endif()
file(REMOVE_RECURSE ${WORK})
