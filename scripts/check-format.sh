#!/usr/bin/env bash
# Checks that every C++ source of the tree is laid out as .clang-format says. With --fix, lays
# them out instead. Exits non-zero when a file differs (or clang-format is missing).
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
  echo "clang-format is not installed (bash scripts/install-deps.sh installs it)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
  echo "Layout: ${#files[@]} files follow .clang-format"
fi
