# GoogleTest: the installed one for native builds, built from its sources for cross builds.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QELVO_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Newer GoogleTest sources name their targets GTest::gtest themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# A test that ends with this status was skipped: cmake/wine-run ends so where this system cannot start the Windows
# program asked for (a 32-bit one where the kernel runs no 32-bit programs). Every test that starts one carries it.
set(QELVO_SKIPPED 77)

# One test executable per library: qelvo_add_test(name SOURCES ... LIBS ...).
function(qelvo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QELVO_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  qelvo_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEDEBUG=-all" SKIP_RETURN_CODE ${QELVO_SKIPPED})
endfunction()

