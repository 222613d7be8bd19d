# Read by cpack before it packs: the package's file dates become the last commit's, so that two
# builds of one commit give the same bytes. A SOURCE_DATE_EPOCH already set wins.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_program(git_program git)
  if(git_program)
    execute_process(
      COMMAND ${git_program} -C ${CPACK_JETSQUAD_SOURCE_DIR} log -1 --format=%ct
      OUTPUT_VARIABLE commit_time
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(commit_time MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
    endif()
  endif()
endif()
