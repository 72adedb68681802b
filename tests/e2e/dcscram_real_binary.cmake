# dcscram on a real SH raw binary, whole programs: the scrambled file no longer looks unscrambled
# to quillet, and unscrambling it gives back the very bytes. Replacing a file keeps its permissions;
# under Wine a write-protected file (the read-only attribute there) is refused.
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
# The user's private result stays private when it is replaced. (Not under Wine, whose ReplaceFileW
# keeps no Unix permissions: a Windows program has no say over them there.)
if(NOT emulator)
  file(CHMOD ${WORK}/back.bin PERMISSIONS OWNER_READ OWNER_WRITE)
  run(${DCSCRAM} ${INPUT} ${WORK}/back.bin)
  execute_process(COMMAND stat -c %a ${WORK}/back.bin OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT mode STREQUAL "600")
    message(FATAL_ERROR "replacing a 0600 file left it ${mode}")
  endif()
endif()

# Root may write a write-protected file on Linux, so only Windows, where it is an attribute, refuses.
if(emulator)
  file(WRITE ${WORK}/protected.bin "the user's")
  file(CHMOD ${WORK}/protected.bin PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
  execute_process(COMMAND ${emulator} ${DCSCRAM} ${INPUT} ${WORK}/protected.bin RESULT_VARIABLE status ERROR_VARIABLE err)
  file(READ ${WORK}/protected.bin kept)
  file(GLOB left ${WORK}/.protected*)
  if(NOT status EQUAL 1 OR NOT err MATCHES "^dcscram: cannot write '[^']*protected.bin': Permission denied" OR
     NOT kept STREQUAL "the user's" OR left)
    message(FATAL_ERROR "a read-only OUT: status ${status}, ${err}, now '${kept}', left: ${left}")
  endif()
endif()
file(REMOVE_RECURSE ${WORK})
