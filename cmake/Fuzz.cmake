# libFuzzer targets, with a short run of each registered as a CTest test.
# The fuzz preset compiles everything (the core included) with
# -fsanitize=fuzzer-no-link,address,undefined through CMAKE_CXX_FLAGS, so the
# core's branches feed the fuzzers' coverage and its faults are caught; only
# the fuzzers themselves link libFuzzer's main.
option(QUILLFEN_FUZZ "Build the libFuzzer targets (clang only)" OFF)
if(NOT QUILLFEN_FUZZ)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QUILLFEN_FUZZ needs clang (libFuzzer); use the fuzz preset")
endif()

set(QUILLFEN_FUZZ_SECONDS 15 CACHE STRING "How long each fuzzer runs under CTest")
# A fixed seed makes the test run retrace the same inputs every time, so that
# a red run can be repeated; longer runs by hand explore with random seeds.
set(QUILLFEN_FUZZ_SEED 1 CACHE STRING "libFuzzer seed for the CTest runs")

enable_testing()
set(fuzz_dir ${CMAKE_CURRENT_BINARY_DIR}/fuzz)
foreach(target convert value_line directory contents key pfx)
  set(fuzzer ${target}_fuzzer)
  add_executable(${fuzzer} fuzz/${fuzzer}.cpp tests/fake_directory.cpp tests/fake_file_system.cpp tests/recording_messenger.cpp)
  target_link_libraries(${fuzzer} PRIVATE quillfen_core)
  target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${fuzzer} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${fuzz_dir})

  # The fuzzer adds what it finds to the first directory it is given: a copy
  # in the build tree, so that the committed seeds stay as they are.
  set(work ${fuzz_dir}/corpus/${target})
  add_test(NAME fuzz.${target}.seeds
           COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target} ${work})
  set_tests_properties(fuzz.${target}.seeds PROPERTIES FIXTURES_SETUP fuzz.${target})
  add_test(NAME fuzz.${target}
           COMMAND ${fuzzer} -seed=${QUILLFEN_FUZZ_SEED} -max_total_time=${QUILLFEN_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix=${fuzz_dir}/crash-${target}- ${work})
  set_tests_properties(fuzz.${target} PROPERTIES
    FIXTURES_REQUIRED fuzz.${target}
    TIMEOUT 300
    ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endforeach()

# Hives: the seeds are written by libhivex through the tests' own helper when
# the run starts, so that no hive is kept in the tree.
add_executable(hive_fuzzer fuzz/hive_fuzzer.cpp tests/fake_directory.cpp tests/fake_file_system.cpp
                           tests/recording_messenger.cpp)
target_link_libraries(hive_fuzzer PRIVATE quillfen_core)
target_link_options(hive_fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
add_executable(hive_seeds fuzz/hive_seeds.cpp tests/test_hives.cpp tests/test_exports.cpp
                          tests/run_program.cpp)
target_link_libraries(hive_seeds PRIVATE quillfen_core quillfen::hivex)
target_link_options(hive_seeds PRIVATE -fsanitize=address,undefined)
set_target_properties(hive_fuzzer hive_seeds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${fuzz_dir})
set(work ${fuzz_dir}/corpus/hive)
add_test(NAME fuzz.hive.seeds COMMAND hive_seeds ${work})
set_tests_properties(fuzz.hive.seeds PROPERTIES FIXTURES_SETUP fuzz.hive)
add_test(NAME fuzz.hive
         COMMAND hive_fuzzer -seed=${QUILLFEN_FUZZ_SEED} -max_total_time=${QUILLFEN_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                 -print_final_stats=1 -artifact_prefix=${fuzz_dir}/crash-hive- ${work})
set_tests_properties(fuzz.hive PROPERTIES
  FIXTURES_REQUIRED fuzz.hive
  TIMEOUT 300
  ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
