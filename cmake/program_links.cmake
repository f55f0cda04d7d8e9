# Programs link libraries, never each other.  Every target under tools/,
# fuzz/, bench/ and demo/ may link the libraries and a *_core target of its
# own folder (a program's main on its core), but no other program's core:
# code two programs share belongs in a library both link.  A link that
# breaks the rule is a configure error naming both targets.

function(u7_check_program_links directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(libraries ${target} LINK_LIBRARIES)
    if(NOT libraries)
      continue()
    endif()
    foreach(library IN LISTS libraries)
      if(NOT library MATCHES "_core$" OR NOT TARGET ${library})
        continue()
      endif()
      get_target_property(library_directory ${library} SOURCE_DIR)
      if(NOT library_directory STREQUAL directory)
        file(RELATIVE_PATH where ${CMAKE_SOURCE_DIR} ${directory})
        message(FATAL_ERROR "${target} (${where}) links ${library}, the core of another program: "
                            "move what it needs into a library")
      endif()
    endforeach()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    u7_check_program_links(${subdirectory})
  endforeach()
endfunction()

get_property(u7_top_subdirectories DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
foreach(subdirectory IN LISTS u7_top_subdirectories)
  if(subdirectory MATCHES "/(tools/[^/]+|fuzz|bench|demo/generators)$")
    u7_check_program_links(${subdirectory})
  endif()
endforeach()
