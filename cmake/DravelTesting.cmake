# dravel_add_test(NAME SOURCES src... LIBS lib... [CORE])
# One GoogleTest executable; every case becomes a CTest test. CORE marks tests that
# need no Qt, which the sanitizer build runs again.
find_package(GTest REQUIRED)
include(GoogleTest)

function(dravel_add_test name)
  cmake_parse_arguments(ARG "CORE" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_CORE AND NOT DRAVEL_WITH_QT)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  set(labels unit)
  if(ARG_CORE)
    list(APPEND labels core)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
