# dravel_add_test(NAME SOURCES src... LIBS lib... [CORE])
# One GoogleTest executable; every case becomes a CTest test. CORE marks tests that
# need no Qt (label "core"), which the sanitizer build runs again; the others are "unit".
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
  # One label per test: the discovered tests' properties are written out as a flat list,
  # where a second label would be read as a property name (and swallow ENVIRONMENT).
  if(ARG_CORE)
    set(label core)
  else()
    set(label unit)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${label} ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()
