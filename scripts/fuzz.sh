#!/usr/bin/env bash
# Builds the libFuzzer targets (clang++, ASan + UBSan) in build-fuzz/ and runs
# each for a bounded time.
#   scripts/fuzz.sh                    every target for 60 seconds
#   scripts/fuzz.sh 3600               every target for an hour
#   scripts/fuzz.sh 600 parse decode   only the targets named
# Seeds come from fuzz/corpus/<target>/; what the fuzzer adds stays in
# build-fuzz/corpus/<target>/ for the next run. A crash, leak, timeout or
# excess memory stops that target, leaves its input in build-fuzz/artifacts/
# and makes the script fail once all targets have run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

bash scripts/deps.sh --fuzz
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNEMARA_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in build-fuzz/bin/fuzz_*; do
    targets+=("${exe##*/fuzz_}")
  done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build-fuzz/artifacts build-fuzz/logs
summary=()
failed=0
for name in "${targets[@]}"; do
  exe="build-fuzz/bin/fuzz_$name"
  [ -x "$exe" ] || { echo "no fuzz target '$name'"; exit 2; }
  seeds="fuzz/corpus/$name"
  work="build-fuzz/corpus/$name"
  mkdir -p "$work"
  # Documents get room for some structure; short texts need little.
  case "$name" in
    decode|rssdate) maxlen=4096 ;;
    *) maxlen=65536 ;;
  esac
  extra=()
  [ -f "fuzz/$name.dict" ] && extra+=("-dict=fuzz/$name.dict")
  log="build-fuzz/logs/$name.log"
  echo "== fuzz_$name for ${seconds}s"
  status=0
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$maxlen" \
    -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$name-" "${extra[@]}" \
    "$work" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ "$status" -ne 0 ]; then
    failed=1
    tail -n 40 "$log"
    summary+=("fuzz_$name: FAILED (exit $status) after ${runs:-?} runs; see $log")
  else
    summary+=("fuzz_$name: ${runs:-?} runs in ${seconds}s, no fault")
  fi
done
printf '%s\n' "${summary[@]}"
exit "$failed"
