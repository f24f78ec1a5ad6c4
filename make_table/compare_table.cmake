# cmake -DTOOL=<make_table> -DWORK=<folder> -DCOMMITTED=<z.dat> [-DNOTE=<来源.txt>]
#       -P compare_table.cmake
#
# The committed table is exactly what make_table makes today. The bundled
# one is made with --gb2312. A ready one is made by the commands its note
# records (命令：, in order: those that unpack a package's compiled table
# first, then make_table's), from the Debian package and version the note
# records (软件包：), and make_table's summary is the note's (结果：). The
# commands run in an empty WORK, so that their files and "-o z.dat" and the
# summary's path are as recorded. Each source the folder carries (源码：
# <name>.xz，即软件包里的 <path>) is that file of the package.
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
  file(STRINGS "${NOTE}" commands REGEX "^命令：" ENCODING UTF-8)
  file(STRINGS "${NOTE}" summary REGEX "^结果：" ENCODING UTF-8)
  file(STRINGS "${NOTE}" sources REGEX "^源码：" ENCODING UTF-8)
  # The package's match last: each MATCHES sets CMAKE_MATCH_<n> anew.
  if(NOT commands MATCHES "命令：make_table " OR NOT summary
     OR NOT package MATCHES "^软件包：([^ ]+) ([^ ]+)$")
    message(FATAL_ERROR "${NOTE} lacks a line 软件包：<package> <version>, 命令：make_table … or 结果：…")
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(recorded "${CMAKE_MATCH_2}")
  string(REGEX REPLACE "^结果：" "" summary "${summary}")
  get_filename_component(folder "${COMMITTED}" DIRECTORY)
  set(remake "in an empty folder run the commands of ${NOTE} (make_table is ${TOOL}), copy z.dat to ${folder}, then write down the version and what make_table prints")

  execute_process(COMMAND dpkg-query -W -f=\${Version} ${name} OUTPUT_VARIABLE installed
                  RESULT_VARIABLE missing ERROR_QUIET)
  if(missing OR installed STREQUAL "")
    message(FATAL_ERROR "${name} is not installed (scripts/provision installs it): cannot remake ${COMMITTED}")
  endif()
  foreach(command IN LISTS commands)
    string(REGEX REPLACE "^命令：" "" line "${command}")
    if(line MATCHES "^make_table (.*)")
      separate_arguments(arguments UNIX_COMMAND "${CMAKE_MATCH_1}")
      execute_process(COMMAND ${TOOL} ${arguments} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE made
                      OUTPUT_VARIABLE said ERROR_VARIABLE said)
      string(STRIP "${said}" printed)
    else()
      # A shell's command line, as a person types it: a redirection.
      execute_process(COMMAND sh -c "${line}" WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE made
                      ERROR_VARIABLE said)
    endif()
    if(NOT made EQUAL 0)
      message(FATAL_ERROR "${line} failed (${made}): ${said}")
    endif()
  endforeach()
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
foreach(source IN LISTS sources)
  if(NOT source MATCHES "^源码：([^，]+\\.xz)，即软件包里的 ([^，]+)，")
    message(FATAL_ERROR "${NOTE}: ${source} is not 源码：<name>.xz，即软件包里的 <path>，…")
  endif()
  set(shipped "${folder}/${CMAKE_MATCH_1}")
  set(original "${CMAKE_MATCH_2}")
  execute_process(COMMAND xz -dc "${shipped}" OUTPUT_FILE "${WORK}/source" RESULT_VARIABLE unpacked)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/source" "${original}"
                  RESULT_VARIABLE differs)
  if(NOT unpacked EQUAL 0 OR differs)
    message(FATAL_ERROR "${shipped} is not ${original} of ${name} ${installed}: xz -9e -c ${original} > ${shipped}")
  endif()
endforeach()
