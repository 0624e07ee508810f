# GoogleTest for a cross-build. Debian ships GoogleTest for the build machine
# only, so its sources (/usr/src/googletest, from libgtest-dev) are built
# once with this build's toolchain while configuring, installed into the
# build folder and found there by find_package(GTest). Later configures
# reuse the installed copy.
set(KESTREL_GTEST_SOURCE /usr/src/googletest
    CACHE PATH "GoogleTest sources to cross-build for the tests")
set(_gtest_root ${CMAKE_BINARY_DIR}/googletest)
set(_gtest_config ${_gtest_root}/install/lib/cmake/GTest/GTestConfig.cmake)

if(NOT EXISTS ${_gtest_config})
  if(NOT EXISTS ${KESTREL_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${KESTREL_GTEST_SOURCE} "
                        "(install libgtest-dev)")
  endif()
  message(STATUS "Cross-building GoogleTest from ${KESTREL_GTEST_SOURCE}")
  string(TIMESTAMP _gtest_start "%s")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${KESTREL_GTEST_SOURCE}
            -B ${_gtest_root}/build -G ${CMAKE_GENERATOR}
            -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
            -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_INSTALL_PREFIX=${_gtest_root}/install
            -DBUILD_GMOCK=OFF
    OUTPUT_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
  execute_process(
    COMMAND ${CMAKE_COMMAND} --build ${_gtest_root}/build --target install
    OUTPUT_QUIET
    COMMAND_ERROR_IS_FATAL ANY)
  string(TIMESTAMP _gtest_end "%s")
  math(EXPR _gtest_seconds "${_gtest_end} - ${_gtest_start}")
  message(STATUS "Cross-building GoogleTest - done in ${_gtest_seconds} s")
endif()

# The toolchain looks for packages under its root path only; the folder
# is named outright.
set(GTest_DIR ${_gtest_root}/install/lib/cmake/GTest CACHE PATH
    "The cross-built GoogleTest" FORCE)
