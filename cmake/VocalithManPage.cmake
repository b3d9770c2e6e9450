# Writes the command's man page from its own help, so that the page cannot
# drift from the program: the top-level help through help2man, and one
# section per subcommand from "vocalith help SUBCOMMAND".
# cmake -DTOOL=... -DHELP2MAN=... -DVERSION=... -DOUT=... -P VocalithManPage.cmake
execute_process(COMMAND ${TOOL} help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} help failed: ${status}")
endif()
# The subcommands are the first words of the lines after "Subcommands:".
string(REGEX REPLACE ".*\nSubcommands:\n" "" listing "${help}")
string(REGEX MATCHALL "(^|\n)  [a-z][a-z0-9_-]*" names "${listing}")
set(include "[SUBCOMMANDS]\n")
foreach(name ${names})
  string(STRIP "${name}" name)
  execute_process(COMMAND ${TOOL} help ${name} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} help ${name} failed: ${status}")
  endif()
  string(REPLACE "\\" "\\e" text "${text}")
  string(APPEND include ".SS ${name}\n.nf\n${text}.fi\n")
endforeach()
string(APPEND include "[ENVIRONMENT]\n.TP\n.B LADSPA_PATH\nLADSPA plugin directories, when --ladspa-path is not given.\n")
string(APPEND include "[FILES]\n.TP\n.I ../share/vocalith/presets\nbeside the command: the bundled presets, found by name.\n")
get_filename_component(out_dir "${OUT}" DIRECTORY)
file(WRITE ${out_dir}/vocalith.h2m "${include}")
execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1
    "--name=voice presets for telephone audio"
    --version-string=${VERSION} --include=${out_dir}/vocalith.h2m --output=${OUT} ${TOOL}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed: ${status}")
endif()
