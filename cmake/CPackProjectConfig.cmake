# Read by cpack before it installs and archives. Every time in the package, the archive's own
# included, is SOURCE_DATE_EPOCH (CPack's DEB generator writes that one time when it is set):
# the caller's, as Debian's build tools set it, else the time of the sources' last commit.
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  execute_process(COMMAND git -C "${CPACK_VELLICORD_SOURCE_DIR}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "${CPACK_VELLICORD_SOURCE_DIR} has no git history to date the package "
                        "by: set SOURCE_DATE_EPOCH to the release's time in seconds")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
