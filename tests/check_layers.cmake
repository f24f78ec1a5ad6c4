# cmake -DSRC=<src folder> -P check_layers.cmake
#
# The folders under src/ stand in layers, each including only from those
# below it: platform and identity at the bottom, then lookup, ui, app. And
# only the win32/ folders (the adapters, and the entry point that starts
# them) see <windows.h>.
set(rank_platform 0)
set(rank_identity 1)
set(rank_lookup 2)
set(rank_ui 3)
set(rank_app 4)

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp ${SRC}/*.rc)
set(faults "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" folder "${file}")
  if(NOT DEFINED rank_${folder})
    string(APPEND faults "\n  ${file}: the folder ${folder} has no place in the layers")
    continue()
  endif()
  file(STRINGS ${SRC}/${file} includes REGEX "^#include ")
  foreach(line IN LISTS includes)
    if(line MATCHES "^#include \"([^/\"]+)/")
      # Set by the match, so read only after it.
      set(to ${CMAKE_MATCH_1})
      if(DEFINED rank_${to} AND rank_${to} GREATER rank_${folder})
        string(APPEND faults "\n  ${file}: ${line} reaches up from ${folder}")
      endif()
    elseif(line MATCHES "<windows.h>" AND NOT file MATCHES "/win32/")
      string(APPEND faults "\n  ${file}: ${line} outside a win32 folder")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "includes against the layering:${faults}")
endif()
