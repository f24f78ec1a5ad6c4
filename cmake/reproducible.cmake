# Reproducible Windows builds: the same commit gives the same bytes in any
# folder, at any time, so that anyone can check that a release comes from
# its source.
#
# Measured on binutils 2.40 and GCC 12 (mingw-w64): two builds of the exe
# differed only in the PE header's time stamp and the checksum over it.
# ld takes the time stamp from SOURCE_DATE_EPOCH when that is set, so the
# program's link runs with the commit's time in it. Only the program's:
# the test programs would otherwise all link again after every commit.
# Archives are already written without times or owners, and a stripped
# release exe holds no paths; the prefix maps keep it so should an assert
# or debug information bring in __FILE__.
#
# Sets SV_SOURCE_DATE_EPOCH: SOURCE_DATE_EPOCH from the environment if set
# (a packager's choice wins), else the time of the commit checked out.
# sv_link_at_commit_time(<target>) links a target with that time.

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(SV_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE SV_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
    # HEAD's log changes with every commit and checkout: configure again
    # then, so that the time follows the commit.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(head_log AND EXISTS "${head_log}")
      set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                   "${head_log}")
    endif()
  endif()
  if(NOT SV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    string(TIMESTAMP SV_SOURCE_DATE_EPOCH "%s" UTC)
    message(WARNING "Neither SOURCE_DATE_EPOCH nor a git commit: the exe and the package carry "
                    "the time of this configure, and another build will differ from them.")
  endif()
endif()

function(sv_link_at_commit_time target)
  set_target_properties(${target} PROPERTIES CXX_LINKER_LAUNCHER
    "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${SV_SOURCE_DATE_EPOCH}")
endfunction()

add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                    # After the source's map, as the last match wins and the
                    # build folder often lies inside the source.
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
