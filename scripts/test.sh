#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: a normal build and one with
# AddressSanitizer + UndefinedBehaviorSanitizer. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt's own libraries are not instrumented; LeakSanitizer reports their one-time allocations.
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRV_WERROR=ON -DRV_BUILD_BENCH=OFF "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

echo "== layout =="
bash scripts/check-format.sh
echo "== normal build =="
run_suite build/test
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_suite build/asan -DRV_SANITIZE=ON
