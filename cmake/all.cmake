# The preset "all": every build of the project, each in its own folder
# beside this one (build/<preset>), configured with its own preset, built
# by this build and tested in one ctest run, so that one summary ends it
# and the tests of one build can wait for what another build's make.
# What runs across the builds lives here: the static analysers.
set(SV_BUILDS native windows-x86_64 windows-i686 fuzz bench)
get_filename_component(SV_BUILDS_DIR ${CMAKE_BINARY_DIR}/.. ABSOLUTE)

enable_testing()
set(previous)
foreach(preset IN LISTS SV_BUILDS)
  set(dir ${SV_BUILDS_DIR}/${preset})
  # Configured now, so that their tests are known to this build's ctest;
  # built, one after the other (each uses every processor), by this one.
  if(NOT EXISTS ${dir}/CMakeCache.txt)
    execute_process(COMMAND ${CMAKE_COMMAND} --preset ${preset}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  add_custom_target(${preset} ALL COMMAND ${CMAKE_COMMAND} --build ${dir} USES_TERMINAL)
  if(previous)
    add_dependencies(${preset} ${previous})
  endif()
  set(previous ${preset})
  string(APPEND subdirs "subdirs(\"${dir}\")\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/builds.cmake "${subdirs}")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/builds.cmake)

# The Wine root, and the emulated machine where it is needed, which only
# the tests use, made beside the builds rather than before them: a fresh
# root takes a minute and a half, mostly unpacking packages one by one, and
# kept one processor of two busy. Not in the terminal's pool, in which the
# builds take turns; its output comes when it ends. './dev test' installs
# the packages first.
add_custom_target(machines ALL
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/provision ${SV_BUILDS_DIR} machines VERBATIM)

# The analysers over the compile databases of the builds (scripts/lint.py).
# They start first (the highest cost) and take one of ctest's slots, so
# that clang-tidy, the longest test by far, runs beside the Wine tests,
# which take turns on the desktop, not after them. They run at the lowest
# priority: the i686 tests in the emulated machine, one after the other,
# are the run's longest chain, and the analysers' processes, one for each
# processor, took the machine from it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
foreach(tool cppcheck clang-tidy)
  add_test(NAME static.${tool} COMMAND nice -n 19 $<TARGET_FILE:Python3::Interpreter>
                                       ${PROJECT_SOURCE_DIR}/scripts/lint.py ${tool}
                                       ${PROJECT_SOURCE_DIR} ${SV_BUILDS_DIR})
  set_tests_properties(static.${tool} PROPERTIES LABELS static TIMEOUT 1800 COST 100000)
endforeach()

# './dev bench': the native benchmark, the release exe's size and imports,
# then each Windows build's figures under Wine, and the release exe's
# end-to-end figures against the x86_64 exe's. A benchmark asserts nothing.
set(release_exe "${SV_BUILDS_DIR}/windows-i686/src/Selvane查询.exe")
add_custom_target(benchmarks
  COMMAND ${SV_BUILDS_DIR}/bench/bench/query_bench
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/bench/report.py exe ${release_exe}
          i686-w64-mingw32-objdump
  COMMAND ${CMAKE_COMMAND} --build ${SV_BUILDS_DIR}/windows-i686 --target wine_bench
  COMMAND ${CMAKE_COMMAND} --build ${SV_BUILDS_DIR}/windows-x86_64 --target wine_bench
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/bench/report.py compare
          ${SV_BUILDS_DIR}/windows-i686/bench-summary.txt
          ${SV_BUILDS_DIR}/windows-x86_64/bench-summary.txt
  DEPENDS ${SV_BUILDS} USES_TERMINAL VERBATIM)
