# Helpers that turn one folder into one target, so adding a source file needs no CMake edit.

# qv3rn_subsystem(NAME [DEPS target...] [PRIVATE_DEPS target...]): every .cpp in src/NAME but main.cpp
# becomes the library qv3rn_NAME; PRIVATE_DEPS are linked without exposing their headers to users.
function(qv3rn_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")  # a folder's main.cpp is a program, not library code
  if(sources)
    add_library(qv3rn_${name} STATIC ${sources})
    target_include_directories(qv3rn_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(qv3rn_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  else()
    add_library(qv3rn_${name} INTERFACE)
    target_include_directories(qv3rn_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(qv3rn_${name} INTERFACE ${ARG_DEPS} ${ARG_PRIVATE_DEPS})
  endif()
endfunction()

# qv3rn_test(NAME [LIBS target...]): every .cpp in tests/NAME becomes the test program test_NAME.
function(qv3rn_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE qv3rn_test_support ${ARG_LIBS} GTest::gtest)
  # Tests are most of the build: unoptimised, with GoogleTest precompiled, they build in about half the time.
  target_compile_options(test_${name} PRIVATE -O0)
  target_precompile_headers(test_${name} PRIVATE <gtest/gtest.h>)
  set(workdir ${CMAKE_CURRENT_BINARY_DIR}/work_${name})
  file(MAKE_DIRECTORY ${workdir})
  gtest_discover_tests(test_${name} WORKING_DIRECTORY ${workdir} DISCOVERY_MODE PRE_TEST)
endfunction()

# qv3rn_bench(NAME [LIBS target...]): bench/NAME.cpp becomes the benchmark program bench_NAME.
function(qv3rn_bench name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(bench_${name} ${PROJECT_SOURCE_DIR}/bench/${name}.cpp)
  target_link_libraries(bench_${name} PRIVATE ${ARG_LIBS} benchmark::benchmark_main)
endfunction()

# qv3rn_fuzz(NAME [LIBS target...]): fuzz/NAME.cpp becomes the libFuzzer program fuzz_NAME.
function(qv3rn_fuzz name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(fuzz_${name} ${PROJECT_SOURCE_DIR}/fuzz/${name}.cpp)
  target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
endfunction()
