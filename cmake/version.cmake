# Writes the program's version (git describe of the sources, "unknown" outside git) into
# OUT, only when it changed, so that an unchanged version rebuilds nothing.
# Run at every build: cmake -DSOURCE_DIR=... -DOUT=... -P version.cmake
execute_process(COMMAND git describe --always --dirty --abbrev=10
                WORKING_DIRECTORY ${SOURCE_DIR}
                OUTPUT_VARIABLE version OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET RESULT_VARIABLE failed)
if(failed OR version STREQUAL "")
  set(version "unknown")
endif()
set(content "// Generated at build time by cmake/version.cmake.\n#define VELMORA_VERSION \"${version}\"\n")
set(old "")
if(EXISTS ${OUT})
  file(READ ${OUT} old)
endif()
if(NOT old STREQUAL content)
  file(WRITE ${OUT} "${content}")
endif()
