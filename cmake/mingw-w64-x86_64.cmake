# Cross-build for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, which C++ threads and std::filesystem need).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(U7_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${U7_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${U7_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${U7_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${U7_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run under Wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Self-contained programs: the C++ runtime, libgcc and winpthread are linked
# in, so that nothing but Windows' own DLLs is needed.  Release builds are
# stripped, and no path of the build machine is kept in the objects.
get_filename_component(U7_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CXX_FLAGS_INIT "-ffile-prefix-map=${U7_SOURCE_ROOT}/=")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
