# Makes the de_DE.UTF-8 locale in OUT_DIR with LOCALEDEF. A failure only
# leaves the directory without the locale; the test then explains the skip.
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${LOCALEDEF} -i de_DE -f UTF-8 ${OUT_DIR}/de_DE.UTF-8
  RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
file(TOUCH ${OUT_DIR}/stamp)
