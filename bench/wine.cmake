# 'wine_bench': the figures of this Windows build under Wine, in a Wine
# session of its own; './dev bench' runs it for both builds
# (cmake/all.cmake).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(arch x86_64)
else()
  set(arch i686)
endif()
add_custom_target(wine_bench
  COMMAND ${SV_WINE_SESSION} run ${SV_WINE_DIR} -- ${CMAKE_CURRENT_SOURCE_DIR}/run-wine-bench
          ${SV_WINE_DIR}/run-wine ${arch} $<TARGET_FILE:query_bench_win32> $<TARGET_FILE:e2e_bench>
          ${CMAKE_BINARY_DIR}/bench-summary.txt
  DEPENDS query_bench_win32 e2e_bench USES_TERMINAL VERBATIM)
