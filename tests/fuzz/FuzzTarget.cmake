# What every fuzzer's project shares (included after its project()): C++20, and the
# libFuzzer and sanitizer flags the fuzzers and the code under test are built with.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
# The player's sources, which the fuzzers build again instrumented.
set(platform ${CMAKE_CURRENT_LIST_DIR}/../../platform)
set(tamsel_fuzz_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
set(tamsel_fuzz_flags -g -O1 -fno-omit-frame-pointer)

# tamsel_fuzzer(TARGET SOURCE...): a libFuzzer executable, its sources instrumented.
function(tamsel_fuzzer target)
  add_executable(${target} ${ARGN})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer ${tamsel_fuzz_sanitizers} ${tamsel_fuzz_flags})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer ${tamsel_fuzz_sanitizers})
endfunction()

# tamsel_fuzz_instrumented(TARGET): code that a fuzzer links (or a program it starts),
# instrumented as the fuzzer is, without libFuzzer's main.
function(tamsel_fuzz_instrumented target)
  target_compile_options(${target} PUBLIC ${tamsel_fuzz_sanitizers} ${tamsel_fuzz_flags} -fsanitize=fuzzer-no-link)
  target_link_options(${target} PUBLIC ${tamsel_fuzz_sanitizers})
endfunction()
