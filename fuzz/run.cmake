# cmake -DFUZZER=<exe> -DNAME=<name> -DWORK=<folder> -DSEEDS=<folder>
#       -DSECONDS=<default> -P run.cmake
#
# Runs one libFuzzer target for SV_FUZZ_SECONDS seconds (SECONDS unless
# set) and says how many inputs it ran. New inputs go to WORK, the
# committed seeds are only read; an input that fails is saved beside the
# log, whose end is shown.
if(DEFINED ENV{SV_FUZZ_SECONDS})
  set(SECONDS $ENV{SV_FUZZ_SECONDS})
endif()
set(log ${WORK}/${NAME}.log)
file(MAKE_DIRECTORY ${WORK}/corpus)
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          -artifact_prefix=${WORK}/${NAME}- ${WORK}/corpus ${SEEDS}
  OUTPUT_FILE ${log} ERROR_FILE ${log} RESULT_VARIABLE failed)
file(STRINGS ${log} lines)
if(failed)
  list(LENGTH lines count)
  set(from 0)
  if(count GREATER 40)
    math(EXPR from "${count} - 40")
  endif()
  list(SUBLIST lines ${from} -1 tail)
  list(JOIN tail "\n" tail)
  message(FATAL_ERROR "${tail}\n${NAME}: FAILED; the whole log is ${log}, the input that failed beside it")
endif()
set(runs 0)
set(rate 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^stat::number_of_executed_units: *([0-9]+)")
    set(runs ${CMAKE_MATCH_1})
  elseif(line MATCHES "^stat::average_exec_per_sec: *([0-9]+)")
    set(rate ${CMAKE_MATCH_1})
  endif()
endforeach()
message("${NAME}: ${runs} runs in ${SECONDS} s, ${rate}/s, clean")
