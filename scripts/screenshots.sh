#!/usr/bin/env bash
# Draws every dialog offscreen and writes the pictures to docs/images/ (or the folder given as
# the first argument). Builds only the widget tests, in build/screenshots (or $RV_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/images}")
build=${RV_BUILD_DIR:-build/screenshots}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target test_widgets -j 2
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen RV_SCREENSHOT_DIR="$out" \
  "$build/tests/test_widgets" --gtest_filter='Screenshots.*'
ls -l "$out"/*.png
