# cmake -DSOURCE=... -DWORK=... -DEPOCH=... -DTOOLCHAIN=<relative to SOURCE>
#       -DBUILD_TYPE=... -DGENERATOR=... -DEXE=... -DMAKER=... -DSTARTER=... -DZIP=...
#       -P check_reproducible.cmake
#
# Builds the release exe, the table maker, the starter and the zip a second time, from a
# copy of the source in another folder, later, in another time zone, and
# compares them with the first build's byte for byte. Only the zip and what it holds are built.
set(copy "${WORK}/a second copy of the source")
set(build "${WORK}/build")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${copy}")
# What the exe and the package are made from.
foreach(entry CMakeLists.txt cmake src fakes driver make_table scripts wine data README.md)
  file(COPY "${SOURCE}/${entry}" DESTINATION "${copy}")
endforeach()

# The copy is no git checkout: it gets the first build's commit time the
# way a packager would give it.
set(ENV{SOURCE_DATE_EPOCH} "${EPOCH}")
set(ENV{TZ} "Asia/Shanghai")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S "${copy}" -B "${build}" -G "${GENERATOR}"
          "-DCMAKE_TOOLCHAIN_FILE=${copy}/${TOOLCHAIN}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
          -DSV_TESTS=OFF
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build "${build}" --target release_zip
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

get_filename_component(exe_name "${EXE}" NAME)
get_filename_component(starter_name "${STARTER}" NAME)
get_filename_component(zip_name "${ZIP}" NAME)
foreach(pair "${EXE}|${build}/src/${exe_name}" "${MAKER}|${build}/make_table/make_table.exe"
             "${STARTER}|${build}/src/${starter_name}" "${ZIP}|${build}/dist/${zip_name}")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 first)
  list(GET pair 1 second)
  # cmp -l lists every differing byte: its offset (from 1) and the two
  # values in octal.
  execute_process(COMMAND cmp -l "${first}" "${second}" RESULT_VARIABLE differ
                  OUTPUT_VARIABLE bytes ERROR_VARIABLE bytes)
  if(differ)
    string(REGEX MATCHALL "[^\n]+" bytes "${bytes}")
    list(LENGTH bytes count)
    list(SUBLIST bytes 0 10 shown)
    list(JOIN shown "\n  " shown)
    message(SEND_ERROR "${first}\nand its rebuild ${second}\ndiffer in ${count} byte(s):\n  ${shown}")
  endif()
endforeach()
