# The test layers, as CTest sees them: each GoogleTest case is a test of its
# own, labelled with its layer's name, so that `ctest -L LAYER` runs a layer,
# `ctest -R CASE` one case, and an IDE lists the cases.
include(GoogleTest)

# Where the fixtures keep their displays (scripts/fixture.sh), for the emulator
# (scripts/wine-test.sh).
set(TEST_FIXTURE_STATE "${CMAKE_BINARY_DIR}/test-fixtures")
set(WINE_TEST_LAUNCHER "${CMAKE_SOURCE_DIR}/scripts/wine-test.sh")

# A fixture of scripts/fixture.sh: a setup and a cleanup test, which CTest runs
# around the tests that require it, also when one of them fails.
function(add_test_fixture name)
  cmake_parse_arguments(ARG "" "" "REQUIRES" ${ARGN})
  foreach(action start stop)
    add_test(NAME fixture-${name}-${action}
             COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/fixture.sh" ${action} ${name} "${TEST_FIXTURE_STATE}")
  endforeach()
  # Creating the Wine prefix takes a minute on two cores.
  set_tests_properties(fixture-${name}-start PROPERTIES FIXTURES_SETUP ${name} TIMEOUT 300)
  set_tests_properties(fixture-${name}-stop PROPERTIES FIXTURES_CLEANUP ${name} TIMEOUT 60)
  if(ARG_REQUIRES)
    set_tests_properties(fixture-${name}-start fixture-${name}-stop PROPERTIES FIXTURES_REQUIRED "${ARG_REQUIRES}")
  endif()
endfunction()

# The cases of a GoogleTest exe as the layer LAYER. They are listed when ctest
# starts (DISCOVERY_MODE PRE_TEST), so that building needs no Wine.
#   FILTER       a --gtest_filter of the cases
#   TIMEOUT      seconds for each case
#   FIXTURES     the fixtures each case requires
#   ENVIRONMENT  NAME=VALUE settings of each case
#   WINDOWS      a Windows exe: one case at a time on the desktop, and a case
#                fails on Wine's line for an exception it ignored in a callback
#   NEEDS_32BIT  where this machine runs no 32-bit programs, the layer is one
#                test, skipped with the reason
function(add_test_layer layer target)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "WINDOWS;NEEDS_32BIT" "FILTER;TIMEOUT" "FIXTURES;ENVIRONMENT")
  get_property(includes DIRECTORY PROPERTY TEST_INCLUDE_FILES)
  # The discovery may have to create the Wine prefix first.
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300 TEST_FILTER "${ARG_FILTER}"
                       TEST_LIST ${layer}_cases)
  # The discovery's own script runs from the layer's, which sets the properties
  # that its PROPERTIES cannot carry (lists).
  get_property(discovery DIRECTORY PROPERTY TEST_INCLUDE_FILES)
  list(GET discovery -1 discovery)
  set_property(DIRECTORY PROPERTY TEST_INCLUDE_FILES ${includes})

  set(properties "LABELS [==[${layer}]==] TIMEOUT ${ARG_TIMEOUT}")
  if(ARG_FIXTURES)
    string(APPEND properties " FIXTURES_REQUIRED [==[${ARG_FIXTURES}]==]")
  endif()
  if(ARG_ENVIRONMENT)
    string(APPEND properties " ENVIRONMENT [==[${ARG_ENVIRONMENT}]==]")
  endif()
  if(ARG_WINDOWS)
    # Wine, like 64-bit Windows, lets a program go on after an exception in a
    # hook or window procedure; its error line is the only trace.
    string(APPEND properties " RESOURCE_LOCK desktop FAIL_REGULAR_EXPRESSION [==[ignoring exception]==]")
  endif()
  set(cases "
include([==[${discovery}]==])
if(DEFINED [==[${layer}_cases]==])
  if(NOT \"\${${layer}_cases}\" STREQUAL \"\")
    set_tests_properties(\${${layer}_cases} PROPERTIES ${properties})
  endif()
else()
  set_tests_properties([==[${target}_NOT_BUILT]==] PROPERTIES LABELS [==[${layer}]==])
endif()
")
  if(ARG_NEEDS_32BIT)
    set(can_run "bash [==[${WINE_TEST_LAUNCHER}]==] i686 --can-run")
    set(cases "
execute_process(COMMAND ${can_run} RESULT_VARIABLE can_run OUTPUT_QUIET ERROR_QUIET)
if(can_run EQUAL 0)
${cases}
else()
  add_test([==[${layer}]==] ${can_run})
  set_tests_properties([==[${layer}]==] PROPERTIES LABELS [==[${layer}]==] SKIP_RETURN_CODE 77)
endif()
")
  endif()
  set(script "${CMAKE_CURRENT_BINARY_DIR}/${layer}_layer.cmake")
  file(GENERATE OUTPUT "${script}" CONTENT "${cases}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()
