# Warnings every target of ours compiles with.
function(vantorel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
endfunction()

# A test executable: links GoogleTest and registers its cases with CTest.
function(vantorel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VANTOREL_TEST_SCENES="${PROJECT_SOURCE_DIR}/tests/scenes"
    VANTOREL_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
  vantorel_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
