# Build helpers shared by every directory: warnings, and one test executable per area.
function(vellicord_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# vellicord_add_test(NAME SOURCES a.cpp b.cpp LIBS lib...)
# Native only: a GoogleTest executable registered with ctest.
function(vellicord_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  vellicord_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "unit;${ARG_LABELS}")
endfunction()
