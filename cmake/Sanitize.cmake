# Instrumented builds.
#
# TOLVANE_SANITIZE builds every target with AddressSanitizer and
# UndefinedBehaviorSanitizer. Any report stops the program at once
# (-fno-sanitize-recover), so a test that touches freed memory, overflows a
# buffer or an integer, or converts an out-of-range float fails instead of
# printing a warning nobody reads. scripts/test-sanitizers.sh runs the whole
# suite this way.
#
# TOLVANE_FUZZ builds the libFuzzer targets of tests/fuzz (clang only);
# tests/fuzz/run_fuzzers.sh configures and runs them.
option(TOLVANE_SANITIZE "Build everything with AddressSanitizer and UBSan" OFF)
option(TOLVANE_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(TOLVANE_SANITIZE)
  set(TOLVANE_SANITIZE_FLAGS
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${TOLVANE_SANITIZE_FLAGS})
  add_link_options(${TOLVANE_SANITIZE_FLAGS})
endif()
