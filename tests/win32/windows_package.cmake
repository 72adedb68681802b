# Unzips the Windows package into a fresh FOLDER and drives the window from there: the tool check,
# a real SH ELF converted both ways, a scrambled binary converted back. The zip is made by the
# package-windows target, which scripts/test.sh builds before the tests.
if(NOT EXISTS "${ZIP}")
  message(FATAL_ERROR "${ZIP} is missing: build the package-windows target first")
endif()
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${ZIP}" WORKING_DIRECTORY "${FOLDER}" COMMAND_ERROR_IS_FATAL ANY)
foreach(file vardelm.exe quillet.exe README.txt LICENSE.txt tools/dcscram.exe tools/sh-elf-objcopy.exe
             licenses/binutils-COPYING3.txt licenses/binutils-source.txt licenses/mingw-w64-runtime.txt
             licenses/libflac.txt licenses/zstd.txt)
  if(NOT EXISTS "${FOLDER}/Quillet/${file}")
    message(FATAL_ERROR "the zip lacks Quillet/${file}")
  endif()
endforeach()
# The read-me names every command the zip's quillet.exe has.
file(READ "${FOLDER}/Quillet/README.txt" readme)
foreach(command scan check convert fix make)
  if(NOT readme MATCHES "quillet ${command} ")
    message(FATAL_ERROR "the zip's README.txt does not name quillet ${command}")
  endif()
endforeach()
# The zip's quillet.exe reads every codec: a CD's track in FLAC alone, and a CD-R in chdman's own
# choice, whose silent audio track is FLAC; it fixes that one into a set that boots.
foreach(chd track-cdfl cdr-flac)
  execute_process(COMMAND ${EMULATOR} "${FOLDER}/Quillet/quillet.exe" scan "${DISC}/chd/${chd}.chd"
                  OUTPUT_VARIABLE scanned ERROR_VARIABLE scanned)
  if(NOT scanned MATCHES "^UNSCRAMBLED\t")
    message(FATAL_ERROR "the zip's quillet.exe does not read ${chd}.chd: ${scanned}")
  endif()
endforeach()
file(REMOVE_RECURSE "${FOLDER}/fixed")
execute_process(COMMAND ${CMAKE_COMMAND} -E env QUILLET_TRUSTED_BOOT_CODE=c0907599ba975325
                        ${EMULATOR} "${FOLDER}/Quillet/quillet.exe" fix -o "${FOLDER}/fixed/disc.cue" "${DISC}/chd/cdr-flac.chd"
                OUTPUT_VARIABLE fixed ERROR_VARIABLE fixed)
if(NOT fixed MATCHES "disc.cue: will boot from a CD-R")
  message(FATAL_ERROR "the zip's quillet.exe did not fix cdr-flac.chd: ${fixed}")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "QUILLET_PACKAGE_FOLDER=${FOLDER}/Quillet"
          ${EMULATOR} ${TESTS} "--gtest_filter=WindowTest.StartupScan*:WindowTest.ElfOnTheCommandLine*:WindowTest.BrowseThenConvert*"
  COMMAND_ERROR_IS_FATAL ANY)
