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
             licenses/binutils-COPYING3.txt licenses/binutils-source.txt licenses/mingw-w64-runtime.txt)
  if(NOT EXISTS "${FOLDER}/Quillet/${file}")
    message(FATAL_ERROR "the zip lacks Quillet/${file}")
  endif()
endforeach()
# The read-me names every command the zip's quillet.exe has.
file(READ "${FOLDER}/Quillet/README.txt" readme)
foreach(command scan check convert fix)
  if(NOT readme MATCHES "quillet ${command} ")
    message(FATAL_ERROR "the zip's README.txt does not name quillet ${command}")
  endif()
endforeach()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "QUILLET_PACKAGE_FOLDER=${FOLDER}/Quillet"
          ${EMULATOR} ${TESTS} "--gtest_filter=WindowTest.StartupScan*:WindowTest.ElfOnTheCommandLine*:WindowTest.BrowseThenConvert*"
  COMMAND_ERROR_IS_FATAL ANY)
