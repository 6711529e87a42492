# Sourced by the fuzz scripts: the clang build in build/fuzz (AddressSanitizer,
# UndefinedBehaviorSanitizer, libFuzzer), the seed files, and the sanitizers' settings.
#
#   build_fuzz_targets TARGET...   builds fuzz_seeds and fuzz_TARGET..., writes build/fuzz/seeds

fuzz_build=build/fuzz

build_fuzz_targets() {
  CXX=clang++ cmake -S . -B "$fuzz_build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DDROLLO_BUILD_FUZZ=ON -DDROLLO_SANITIZE=ON -DDROLLO_BUILD_TESTS=OFF >/dev/null
  cmake --build "$fuzz_build" -j 2 --target fuzz_seeds $(printf 'fuzz_%s ' "$@")
  rm -rf "$fuzz_build/seeds"
  "$fuzz_build/fuzz/fuzz_seeds" "$fuzz_build/seeds"
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan_suppressions.txt"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
