# Windows only: every program under tools/ gets the application manifest
# (UTF-8 as the process's code page, so that the command line and file
# names reach the program as UTF-8), and the list of programs is written to
# <build>/windows_programs.txt for packaging.
set(u7_windows_programs)
get_property(u7_subdirectories DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
foreach(subdirectory IN LISTS u7_subdirectories)
  if(NOT subdirectory MATCHES "/tools/[^/]+$")
    continue()
  endif()
  get_property(targets DIRECTORY ${subdirectory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/windows/program.rc)
      list(APPEND u7_windows_programs "$<TARGET_FILE_NAME:${target}>")
    endif()
  endforeach()
endforeach()
list(JOIN u7_windows_programs "\n" u7_windows_program_lines)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/windows_programs.txt CONTENT "${u7_windows_program_lines}\n")
