# GoogleTest compiled from its source (Debian's googletest package, or
# U7_GOOGLETEST_SOURCE) with the project's compiler, for cross builds, where
# no prebuilt library for the target exists.
set(U7_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source folder")
if(NOT EXISTS ${U7_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${U7_GOOGLETEST_SOURCE} (Debian: apt-get install googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${U7_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# The tests of a cross build are listed when CTest runs (under the
# emulator), not while building, so building needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
