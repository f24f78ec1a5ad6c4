# cmake -DTOOL=<make_table> -DWORK=<folder> -DCOMMITTED=<z.dat> [-DNOTE=<来源.txt>]
#       -P compare_table.cmake
#
# The committed table is exactly what make_table makes today. The bundled
# one is made with --gb2312. A ready one is made by the command its note
# records (命令：), from the Debian package and version the note records
# (软件包：), and make_table's summary is the note's (结果：). The command runs
# in an empty WORK, so that its "-o z.dat" and the summary's path are as
# recorded.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(NOT NOTE)
  set(remake "${TOOL} --gb2312 --force -o ${COMMITTED}")
  execute_process(COMMAND ${TOOL} --gb2312 -o z.dat WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE made OUTPUT_QUIET)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "make_table failed: ${made}")
  endif()
else()
  file(STRINGS "${NOTE}" package REGEX "^软件包：" ENCODING UTF-8)
  file(STRINGS "${NOTE}" command REGEX "^命令：make_table " ENCODING UTF-8)
  file(STRINGS "${NOTE}" summary REGEX "^结果：" ENCODING UTF-8)
  if(NOT package MATCHES "^软件包：([^ ]+) ([^ ]+)$" OR NOT command OR NOT summary)
    message(FATAL_ERROR "${NOTE} lacks a line 软件包：<package> <version>, 命令：make_table … or 结果：…")
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(recorded "${CMAKE_MATCH_2}")
  string(REGEX REPLACE "^命令：make_table " "" line "${command}")
  separate_arguments(arguments UNIX_COMMAND "${line}")
  string(REGEX REPLACE "^结果：" "" summary "${summary}")
  get_filename_component(folder "${COMMITTED}" DIRECTORY)
  set(remake "cd ${folder} && ${TOOL} ${line} --force, then write down the version and what it prints")

  execute_process(COMMAND dpkg-query -W -f=\${Version} ${name} OUTPUT_VARIABLE installed
                  RESULT_VARIABLE missing ERROR_QUIET)
  if(missing OR installed STREQUAL "")
    message(FATAL_ERROR "${name} is not installed (scripts/provision installs it): cannot remake ${COMMITTED}")
  endif()
  execute_process(COMMAND ${TOOL} ${arguments} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE made
                  OUTPUT_VARIABLE printed ERROR_VARIABLE printed)
  string(STRIP "${printed}" printed)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "make_table ${line} failed (${made}): ${printed}")
  endif()
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/z.dat" "${COMMITTED}"
                RESULT_VARIABLE differs)
if(NOTE AND NOT installed STREQUAL recorded)
  # Even the same bytes would not be what the note says they come from.
  if(differs)
    set(outcome "and make_table now makes another table from it")
  else()
    set(outcome "though make_table makes the same table from it")
  endif()
  message(FATAL_ERROR "${COMMITTED} was made from ${name} ${recorded}, the machine has ${name} ${installed}, ${outcome}: check the new version's licence, then ${remake}")
endif()
if(differs)
  message(FATAL_ERROR "${COMMITTED} differs from what make_table makes from the same source: ${remake}")
endif()
if(NOTE AND NOT printed STREQUAL summary)
  message(FATAL_ERROR "make_table says\n  ${printed}\nwhere ${NOTE} says\n  ${summary}")
endif()
