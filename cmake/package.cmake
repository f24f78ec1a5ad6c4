# The release package, made by every build of the 32-bit exe: the exe, the
# table maker, the bundled table, the user guide (README's user part) and
# the ready tables with their licences, sources and starters in one zip, with SHA256SUMS beside
# it, in <build>/dist. './dev package' copies both to
# dist/ at the top of the source.
#
# Sets SV_PACKAGE_ZIP, the zip's path.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(ready_tables ${PROJECT_SOURCE_DIR}/data/码表)
file(GLOB_RECURSE ready_table_files CONFIGURE_DEPENDS ${ready_tables}/*)

set(SV_PACKAGE_ZIP "${PROJECT_BINARY_DIR}/dist/Selvane查询-${PROJECT_VERSION}-win32.zip")
add_custom_command(
  OUTPUT ${SV_PACKAGE_ZIP} ${PROJECT_BINARY_DIR}/dist/SHA256SUMS
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/package.py
    --exe $<TARGET_FILE:selvane>
    --maker $<TARGET_FILE:make_table>
    --starter $<TARGET_FILE:starter>
    --table ${PROJECT_SOURCE_DIR}/data/z.dat
    --tables ${ready_tables}
    --readme ${PROJECT_SOURCE_DIR}/README.md
    --version ${PROJECT_VERSION}
    # The zip's entries carry the commit's time, as the exe does.
    --epoch ${SV_SOURCE_DATE_EPOCH}
    --zip ${SV_PACKAGE_ZIP}
  DEPENDS selvane make_table starter ${PROJECT_SOURCE_DIR}/scripts/package.py ${PROJECT_SOURCE_DIR}/data/z.dat
          ${PROJECT_SOURCE_DIR}/README.md ${ready_table_files}
  COMMENT "Packaging the release zip"
  VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${SV_PACKAGE_ZIP})

# './dev package': dist/ at the top of the source gets a copy of exactly
# those two (a zip of an earlier version may lie beside them here).
add_custom_target(dist
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_SOURCE_DIR}/dist
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_SOURCE_DIR}/dist
  COMMAND ${CMAKE_COMMAND} -E copy ${SV_PACKAGE_ZIP} ${PROJECT_BINARY_DIR}/dist/SHA256SUMS
          ${PROJECT_SOURCE_DIR}/dist/
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_SOURCE_DIR}/dist ls -l
  COMMAND ${CMAKE_COMMAND} -E cat ${PROJECT_SOURCE_DIR}/dist/SHA256SUMS
  DEPENDS release_zip VERBATIM)
