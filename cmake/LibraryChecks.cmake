# The test binary and the fuzz target of one library in libs/<name>:
#   tessaly_library_checks(<name> [SOURCES <the library's sources, for the fuzz target>]
#                          [LIBRARIES <what the library links>]
#                          [TEST_SOURCES <test support sources beside tests/*.cpp>]
#                          [TEST_LIBRARIES <what the tests link beside the library>]
#                          [SHARDS <how many CTest tests share them, 4 unless told>]
#                          [THREAD_TESTS <gtest filter of the threaded tests>])
# The tests (<name>_tests) are tests/*.cpp, see the library's private headers and
# tests/, and find the corpus through TESSALY_CORPUS_DIR. The fuzz target
# (fuzz_<name>) is fuzz/fuzz_<name>.cpp; libFuzzer needs clang, and the target
# compiles the library's sources itself so that they carry the fuzzer's coverage
# instrumentation. In a ThreadSanitizer build the threaded tests (THREAD_TESTS) are
# CTest tests of their own, labelled "threads".
function(tessaly_library_checks name)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "SHARDS;THREAD_TESTS" "SOURCES;LIBRARIES;TEST_SOURCES;TEST_LIBRARIES")
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})

  file(GLOB tests CONFIGURE_DEPENDS ${dir}/tests/*.cpp)
  if(TESSALY_TESTS AND tests)
    add_executable(${name}_tests ${tests} ${ARG_TEST_SOURCES})
    set_target_properties(${name}_tests PROPERTIES UNITY_BUILD ${TESSALY_TEST_BATCHES})
    target_include_directories(${name}_tests PRIVATE ${dir}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name}_tests PRIVATE tessaly_${name} ${ARG_TEST_LIBRARIES}
                                                GTest::gtest_main)
    target_compile_definitions(${name}_tests PRIVATE
      TESSALY_CORPUS_DIR="${PROJECT_SOURCE_DIR}/tests/corpus")
    if(NOT ARG_SHARDS)
      set(ARG_SHARDS 4)
    endif()
    tessaly_test_shards(${name}_tests SHARDS ${ARG_SHARDS} LABELS ${name})
    if(TESSALY_TSAN AND ARG_THREAD_TESTS)
      tessaly_test_shards(${name}_tests NAME ${name}_threads SHARDS 2 FILTER ${ARG_THREAD_TESTS}
                          LABELS threads)
    endif()
  endif()

  if(CMAKE_CXX_COMPILER_ID MATCHES Clang AND EXISTS ${dir}/fuzz/fuzz_${name}.cpp)
    add_executable(fuzz_${name} ${dir}/fuzz/fuzz_${name}.cpp ${ARG_SOURCES})
    target_include_directories(fuzz_${name} PRIVATE ${dir}/include ${dir}/src)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBRARIES})
  endif()
endfunction()
