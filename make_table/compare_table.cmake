execute_process(COMMAND ${TOOL} --gb2312 --force -o ${OUT} RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "make_table failed: ${made}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT} ${COMMITTED}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${COMMITTED} differs from what make_table makes: run make_table --gb2312 --force -o ${COMMITTED}")
endif()
