# Read by ctest (see sv_discover_tests): the tests of a 32-bit test program,
# listed by its twin, the same program of the x86_64 build beside it. The
# twin lists in a namespace at once, where the program itself would wait
# for the emulated machine to come up (minutes) and then take seconds a
# listing; so ctest starts at once, and the machine comes up in the
# session's first test, beside the tests that need none. Both programs are
# built from the same sources, which register no test under a preprocessor
# condition (tests/check_twin_tests.cmake), and a test that the program
# lacks fails, having run nothing. GoogleTestAddTests.cmake is read before.

# An argument as GoogleTestAddTests writes it into the tests file.
function(sv_written_argument variable text)
  if(text MATCHES "[^-./:a-zA-Z0-9_]")
    set(text "[==[${text}]==]")
  endif()
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

# sv_list_from_twin(CMAKE <cmake> TWIN_BUILD <dir> TWIN_TARGET <target>
#                   TWIN_EXECUTABLE <exe> TWIN_EXECUTOR <emulator>
#                   <gtest_discover_tests_impl's arguments for the program>)
function(sv_list_from_twin)
  cmake_parse_arguments(PARSE_ARGV 0 arg ""
                        "CMAKE;TWIN_BUILD;TWIN_TARGET;TWIN_EXECUTABLE;TWIN_EXECUTOR" "")
  cmake_parse_arguments(impl "" "TEST_EXECUTABLE;TEST_EXECUTOR;CTEST_FILE" ""
                        ${arg_UNPARSED_ARGUMENTS})
  # The twin as this build's program is: built from the sources as they
  # are now, not as the twin's build last saw them.
  execute_process(COMMAND ${arg_CMAKE} --build ${arg_TWIN_BUILD} --target ${arg_TWIN_TARGET}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "The twin of ${impl_TEST_EXECUTABLE}, which lists its tests, "
                        "did not build:\n${output}")
  endif()
  gtest_discover_tests_impl(${impl_UNPARSED_ARGUMENTS}
    TEST_EXECUTABLE ${arg_TWIN_EXECUTABLE} TEST_EXECUTOR ${arg_TWIN_EXECUTOR}
    CTEST_FILE ${impl_CTEST_FILE}.twin)
  # Each test the twin named, run by this build's program in its session.
  file(READ ${impl_CTEST_FILE}.twin script)
  foreach(part TWIN_EXECUTOR TWIN_EXECUTABLE)
    sv_written_argument(${part} "${arg_${part}}")
  endforeach()
  sv_written_argument(executor "${impl_TEST_EXECUTOR}")
  sv_written_argument(executable "${impl_TEST_EXECUTABLE}")
  string(REPLACE " ${TWIN_EXECUTOR} ${TWIN_EXECUTABLE} " " ${executor} ${executable} " script
                 "${script}")
  string(FIND "${script}" "${TWIN_EXECUTABLE}" left)
  if(NOT left EQUAL -1)
    message(FATAL_ERROR "A test of ${arg_TWIN_EXECUTABLE} could not be made one of "
                        "${impl_TEST_EXECUTABLE}: ${impl_CTEST_FILE}.twin")
  endif()
  file(WRITE ${impl_CTEST_FILE} "${script}")
  file(REMOVE ${impl_CTEST_FILE}.twin)
endfunction()
