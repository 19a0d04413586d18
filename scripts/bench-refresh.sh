#!/usr/bin/env bash
# Installs what is missing (newsboat too), builds nemara-dump and the refresh
# benchmark (Release, in build-bench/) and runs it: a local server holds 500
# feeds of 30 items on 127.0.0.1-127.0.0.25, answering after 20 ms;
# "nemara-dump --refresh" and "newsboat -x reload" each refresh them into an
# empty store and again when every answer is 304. Prints wall time, CPU time
# and peak memory side by side with the ratios, the goals and the server's
# counts. The stores and the clients' output are kept in build-bench/refresh/.
#   scripts/bench-refresh.sh [--rounds N]   N rounds (3 by default), medians
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/deps.sh --bench

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DNEMARA_BENCH=ON >/dev/null
cmake --build build-bench --target nemara_bench_refresh nemara-dump -j"$(nproc)"
build-bench/bin/nemara_bench_refresh --dir build-bench/refresh "$@"
