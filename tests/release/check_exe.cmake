# cmake -DEXE=... -DKIND=program|maker|starter -DOBJDUMP=... -DWINDRES=... -DEPOCH=...
#       -P check_exe.cmake
#
# The program is a GUI exe with its version record and icon; the table
# maker beside it a console exe; the starter in each ready table's folder a
# GUI exe with the program's icon, and small. All are PE32, import system
# DLLs only, carry the hardening, the manifest and the commit's time stamp,
# and limit the DLL search.
# Tool messages in English whatever the locale the tests run under.
set(ENV{LC_ALL} C)
set(ENV{LANGUAGE} "")

function(expect what haystack needle)
  string(FIND "${haystack}" "${needle}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${what}: expected to find\n  ${needle}")
  endif()
endfunction()

if(KIND STREQUAL program)
  set(expected_name "Selvane查询.exe")
  set(subsystem "(Windows GUI)")
elseif(KIND STREQUAL starter)
  set(expected_name "用这个码表查询.exe")
  set(subsystem "(Windows GUI)")
  # Seven copies ship; without exceptions it is 28 KB, with them 262.
  file(SIZE ${EXE} size)
  if(size GREATER 65536)
    message(SEND_ERROR "the starter is ${size} bytes: has it the C++ library's exceptions again?")
  endif()
else()
  set(expected_name "make_table.exe")
  set(subsystem "(Windows CUI)")
endif()
get_filename_component(name "${EXE}" NAME)
if(NOT name STREQUAL expected_name)
  message(SEND_ERROR "the exe is named ${name}")
endif()

execute_process(COMMAND ${OBJDUMP} -f ${EXE} OUTPUT_VARIABLE header)
expect("object format" "${header}" "file format pei-i386")

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE private)
expect("subsystem" "${private}" "${subsystem}")
# Only DLLs that every Windows has: no C++ runtime, libgcc or winpthread.
set(system_dlls ADVAPI32.dll COMCTL32.DLL GDI32.dll KERNEL32.dll msvcrt.dll USER32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${private}")
foreach(line IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOUPPER "${dll}" upper)
  set(known FALSE)
  foreach(ok IN LISTS system_dlls)
    string(TOUPPER "${ok}" ok)
    if(upper STREQUAL ok)
      set(known TRUE)
    endif()
  endforeach()
  if(NOT known)
    message(SEND_ERROR "imports ${dll}, which is not a system DLL")
  endif()
endforeach()

# Hardening. The image can be moved (and has the relocations to move it);
# its data cannot be run.
expect("address space randomisation" "${private}" "DYNAMIC_BASE")
expect("no execution of data" "${private}" "NX_COMPAT")
if(NOT private MATCHES "Entry 5 [0-9a-f]+ ([0-9a-f]+) Base Relocation" OR CMAKE_MATCH_1 STREQUAL "00000000")
  message(SEND_ERROR "no base relocations: the loader cannot move the image")
endif()
# The stack protector's failure routine is linked in only when protected
# code calls it.
file(STRINGS ${EXE} protector REGEX "stack smashing detected")
if(NOT protector)
  message(SEND_ERROR "no stack protector")
endif()
# The DLL search is limited through SetDefaultDllDirectories, looked up by
# name: an import of it would keep the program from starting where it is
# missing.
file(STRINGS ${EXE} lookup REGEX "SetDefaultDllDirectories")
if(NOT lookup)
  message(SEND_ERROR "SetDefaultDllDirectories is not looked up")
endif()
if(private MATCHES "SetDefaultDllDirectories")
  message(SEND_ERROR "SetDefaultDllDirectories is imported")
endif()

# The PE header's time stamp is the commit's, not the build's.
function(read_u32 offset out)
  file(READ ${EXE} bytes OFFSET ${offset} LIMIT 4 HEX)
  string(REGEX REPLACE "(..)(..)(..)(..)" "0x\\4\\3\\2\\1" bytes "${bytes}")
  math(EXPR value "${bytes}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()
read_u32(60 pe_header)
math(EXPR stamp_at "${pe_header} + 8")
read_u32(${stamp_at} stamp)
if(NOT stamp EQUAL EPOCH)
  message(SEND_ERROR "the PE time stamp is ${stamp}, not the commit's ${EPOCH}")
endif()

execute_process(COMMAND ${WINDRES} -i ${EXE} -O rc OUTPUT_VARIABLE resources)
expect("manifest: version" "${resources}" "name=\"\"Selvane.Lookup\"\" version=\"\"2.3.0.0\"\"")
expect("manifest: asInvoker" "${resources}" "asInvoker")
if(KIND STREQUAL maker)
  return()
endif()
# One 16 x 16, 16-colour icon.
expect("icon" "${resources}" "\"\\020\\020\\020\\000\", 1, 4")
if(KIND STREQUAL starter)
  return()
endif()
expect("version numbers" "${resources}" "FILEVERSION 2, 3, 0, 0")
expect("version numbers" "${resources}" "PRODUCTVERSION 2, 3, 0, 0")
expect("operating system" "${resources}" "FILEOS 0x4")
expect("file type" "${resources}" "FILETYPE 0x1")
expect("string block" "${resources}" "BLOCK \"080404B0\"")
# windres prints non-ASCII strings as UTF-16 escapes: 输入法 and 查询.
expect("company" "${resources}" "VALUE \"CompanyName\", L\"Selvane\\x8f93\\x5165\\x6cd5\"")
expect("product" "${resources}" "VALUE \"ProductName\", L\"Selvane\\x67e5\\x8be2\"")
expect("file version" "${resources}" "VALUE \"FileVersion\", \"2.03\"")
expect("product version" "${resources}" "VALUE \"ProductVersion\", \"2.03\"")
expect("internal name" "${resources}" "VALUE \"InternalName\", L\"Selvane\\x67e5\\x8be2\"")
expect("file name" "${resources}" "VALUE \"OriginalFilename\", L\"Selvane\\x67e5\\x8be2.exe\"")
expect("translation" "${resources}" "VALUE \"Translation\", 0x804, 1200")
expect("language" "${resources}" "LANGUAGE 4, 2")
expect("manifest: common controls 6" "${resources}" "Microsoft.Windows.Common-Controls")
expect("manifest: per-monitor v2" "${resources}" "PerMonitorV2")
