#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks (Release, in build-bench/)
# and runs them: our XML parser against pugixml and libxml2 on generated
# feeds of 100 KB, 5 MB and 50 MB, the news grid's fill time, and the
# window's memory for a feed of many small items, the time of an OPML import,
# the time to show an item in the text view.
# Prints two tables. The feeds are written to build-bench/temp/.
#   scripts/bench.sh [--quick]   --quick: a tenth of the runs
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DNEMARA_BENCH=ON >/dev/null
cmake --build build-bench --target nemara_bench_xml nemara_bench_grid nemara_bench_window nemara_bench_store \
  nemara_bench_import nemara_bench_text -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
# Qt wants a private runtime directory; without one it warns on every start.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$PWD/build-bench/runtime"
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi
build-bench/bin/nemara_bench_xml --dir build-bench/temp "$@"
# The window's memory for a feed of 1,000,000 small items (about 180 MB).
build-bench/bin/nemara_bench_window
# The item store: 500 channels, 150,000 items.
build-bench/bin/nemara_bench_store
# An OPML import of 10,000 to 100,000 outlines: "outlines seconds".
build-bench/bin/nemara_bench_import
# An item of 20 KB and of 200 KB shown in the text view, and the arrow key
# held down in the news list: milliseconds.
build-bench/bin/nemara_bench_text
