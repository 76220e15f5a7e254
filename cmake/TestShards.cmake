# A test program's tests as a few CTest tests, each a share of them (gtest's sharding):
#   tessaly_test_shards(<program> SHARDS <n> [NAME <name>] [FILTER <gtest filter>]
#                       [LABELS <labels>] [ENVIRONMENT <VAR=value>...])
# A program with several hundred tests started once per test spent more time starting
# (gtest registering every case, the sanitizers' start) than testing. The CTest tests are
# named <name>/<i> (name: the program); one test of a share is run with
# `<program> --gtest_filter=<Suite.Test>`.
function(tessaly_test_shards program)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "SHARDS;NAME;FILTER" "LABELS;ENVIRONMENT")
  if(NOT ARG_NAME)
    set(ARG_NAME ${program})
  endif()
  set(filter)
  if(ARG_FILTER)
    set(filter --gtest_filter=${ARG_FILTER})
  endif()
  math(EXPR last "${ARG_SHARDS} - 1")
  foreach(index RANGE ${last})
    set(test ${ARG_NAME}/${index})
    add_test(NAME ${test} COMMAND ${program} ${filter} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    set_tests_properties(${test} PROPERTIES
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${index};${ARG_ENVIRONMENT}")
    if(ARG_LABELS)
      set_tests_properties(${test} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  endforeach()
endfunction()
