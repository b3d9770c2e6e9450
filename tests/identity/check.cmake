# Renders the identity streams (and, when TOOL is given, the command's
# conversions of the speech sample through the amp preset, between files and
# between its standard streams) into OUT, and
# compares their SHA-256 digests with DIGESTS, the list made on Linux x86-64.
# With -DUPDATE=ON the list is written instead.
#   cmake -DEMULATOR=... -DRENDER=... [-DTOOL=...] -DSPEECH=... -DPLUGINS=...
#         -DOUT=... -DDIGESTS=... -P check.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND ${EMULATOR} "${RENDER}" "${SPEECH}" "${PLUGINS}" "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "identity_render failed: ${result}")
endif()
if(TOOL)
  execute_process(COMMAND ${EMULATOR} "${TOOL}" convert --log-level 2 --ladspa-path "${PLUGINS}" -p "${OUT}/amp.xml"
                          "${SPEECH}" "${OUT}/command.wav"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the command failed: ${result}")
  endif()
  # The same through its standard input and output, which must pass bytes
  # untranslated.
  execute_process(COMMAND ${EMULATOR} "${TOOL}" convert --log-level 2 --ladspa-path "${PLUGINS}" -p "${OUT}/amp.xml"
                          -t wav - -t wav -
                  INPUT_FILE "${SPEECH}" OUTPUT_FILE "${OUT}/command.stdio.wav" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the command failed on its standard streams: ${result}")
  endif()
endif()

file(GLOB streams RELATIVE "${OUT}" "${OUT}/*")
list(FILTER streams EXCLUDE REGEX "\\.xml$")
list(SORT streams)
set(lines "")
foreach(stream IN LISTS streams)
  file(SHA256 "${OUT}/${stream}" digest)
  file(SIZE "${OUT}/${stream}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "${stream} is empty")
  endif()
  string(APPEND lines "${stream} ${digest}\n")
endforeach()

if(UPDATE)
  file(WRITE "${DIGESTS}" "${lines}")
  return()
endif()
file(READ "${DIGESTS}" expected)
if(NOT TOOL)
  # A build without the command checks the library's streams only.
  string(REGEX REPLACE "command[.a-z]*\\.wav [0-9a-f]+\n" "" expected "${expected}")
endif()
if(NOT lines STREQUAL expected)
  message(FATAL_ERROR "digests differ from ${DIGESTS}\nexpected:\n${expected}\nmade here:\n${lines}")
endif()
list(LENGTH streams count)
message(STATUS "${count} streams byte-identical to the list")
