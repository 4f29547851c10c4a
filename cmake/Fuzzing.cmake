# dravel_add_fuzzer(NAME name SOURCE file CORPUS dir LIBS lib... [ARGS arg...])
# A libFuzzer target under AddressSanitizer and UndefinedBehaviorSanitizer, and a CTest
# test labelled "fuzz" that runs it for DRAVEL_FUZZ_SECONDS over a copy of its seed
# corpus in the build folder; any crash, sanitizer report or slow input fails the test.
# Only a DRAVEL_FUZZ build (clang) has them; the target "fuzzers" builds them all.
option(DRAVEL_FUZZ "Build the libFuzzer targets and their tests (needs clang)" OFF)
set(DRAVEL_FUZZ_SECONDS 60 CACHE STRING "How long each fuzz test runs")

if(DRAVEL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "DRAVEL_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Everything the fuzzers link is instrumented for coverage and checked by the sanitizers.
  set(dravel_fuzz_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(-fsanitize=fuzzer-no-link ${dravel_fuzz_sanitizers} -fno-omit-frame-pointer)
  add_link_options(${dravel_fuzz_sanitizers})
  add_custom_target(fuzzers)
endif()

function(dravel_add_fuzzer)
  cmake_parse_arguments(ARG "" "NAME;SOURCE;CORPUS" "LIBS;ARGS" ${ARGN})
  if(NOT DRAVEL_FUZZ)
    return()
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCE})
  target_link_options(${ARG_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS})
  target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_dependencies(fuzzers ${ARG_NAME})
  get_filename_component(corpus ${ARG_CORPUS} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME ${ARG_NAME}
    COMMAND ${CMAKE_COMMAND}
      -DFUZZER=$<TARGET_FILE:${ARG_NAME}>
      -DSEEDS=${corpus}
      -DWORK=${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.fuzz
      -DSECONDS=${DRAVEL_FUZZ_SECONDS}
      "-DARGS=${ARG_ARGS}"
      -P ${PROJECT_SOURCE_DIR}/cmake/RunFuzzer.cmake)
  math(EXPR limit "${DRAVEL_FUZZ_SECONDS} + 120")
  set_tests_properties(${ARG_NAME} PROPERTIES LABELS fuzz TIMEOUT ${limit}
    ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1;ASAN_OPTIONS=detect_leaks=1")
endfunction()
