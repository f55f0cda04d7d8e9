# The libraries the programs link, as the same imported targets on every
# platform:
#   ZLIB::ZLIB          through libpng and FreeType
#   PNG::PNG            libpng: the images a person looks at (u7kit's font sheets)
#   Freetype::Freetype  FreeType: reading font files (PCF, BDF, TrueType, OpenType)
# On Linux they are the system's (Debian: zlib1g-dev, libpng-dev,
# libfreetype-dev).  For Windows, zlib is Debian's static mingw-w64 build
# (libz-mingw-w64-dev), and libpng and FreeType are cross-built from
# Debian's source packages by scripts/windows_deps.sh into
# U7_WINDOWS_DEPS, once: later configures find them there.  All three are
# linked statically into the programs.
if(WIN32)
  set(U7_WINDOWS_DEPS ${CMAKE_BINARY_DIR}/windows-deps CACHE PATH
      "Folder of the cross-built libpng and FreeType of the Windows build")
  execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/windows_deps.sh ${U7_WINDOWS_DEPS}
                          ${CMAKE_TOOLCHAIN_FILE} 2
                  RESULT_VARIABLE u7_windows_deps_status)
  if(NOT u7_windows_deps_status EQUAL 0)
    message(FATAL_ERROR "the Windows libraries (libpng, FreeType) could not be built: see the ERROR above")
  endif()
  list(PREPEND CMAKE_FIND_ROOT_PATH ${U7_WINDOWS_DEPS}/libpng ${U7_WINDOWS_DEPS}/freetype)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(Freetype REQUIRED)
if(WIN32)
  # The static FreeType reads gzip-compressed fonts through zlib.
  set_property(TARGET Freetype::Freetype APPEND PROPERTY INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()
