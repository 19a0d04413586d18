#!/usr/bin/env bash
# Formats every C++ file of the project with .clang-format.
#   scripts/format.sh           rewrites the files that differ
#   scripts/format.sh --check   changes nothing; fails on a file that differs
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files as .clang-format has them"
else
  clang-format -i "${files[@]}"
fi
