#!/usr/bin/env bash
# Installs what is missing, builds every test and runs them with CTest.
#   scripts/test.sh              the normal build, in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   scripts/test.sh --tsan       ThreadSanitizer, in build-tsan/: the tests that run
#                                threads (the store's, the refresh's, feed's *Threads*)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

dir=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DNEMARA_SANITIZE=ON)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
fi
if [ "${1:-}" = "--tsan" ]; then
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEMARA_TSAN=ON >/dev/null
  cmake --build build-tsan --target test_feed test_store test_refresh -j"$(nproc)"
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  build-tsan/bin/test_feed --gtest_filter='*Threads*'
  build-tsan/bin/test_store
  build-tsan/bin/test_refresh
  exit 0
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
