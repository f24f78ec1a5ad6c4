# cmake -DTESTS=<tests/wine folder> -P check_twin_tests.cmake
#
# The i686 build runs the Wine tests that their twins of the x86_64 build
# list (tests/wine/list_from_twin.cmake). That holds while both register
# the same tests: none, nor any suite's parameters, inside a preprocessor
# condition, the one thing that tells the two builds' sources apart. A test
# only one of them had would never run in the other.
file(GLOB files RELATIVE ${TESTS} ${TESTS}/*.cpp ${TESTS}/*.h)
set(faults "")
foreach(file IN LISTS files)
  file(STRINGS ${TESTS}/${file} lines)
  set(depth 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*#[ \t]*if")
      math(EXPR depth "${depth} + 1")
    elseif(line MATCHES "^[ \t]*#[ \t]*endif")
      math(EXPR depth "${depth} - 1")
    elseif(depth GREATER 0 AND line MATCHES "^[ \t]*(TYPED_)?TEST(_F|_P)?[ \t]*\\(|INSTANTIATE_")
      string(APPEND faults "\n  ${file}: ${line}")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "tests registered under a preprocessor condition, which the i686 build "
                      "would not list alike:${faults}")
endif()
