#!/usr/bin/env bash
# Draws the main window offscreen (the projects page with a few projects, the log page after a
# run of the demo site, the About page) and writes the pictures to docs/images/ (or the folder
# given as the first argument). Builds only the program's tests, in build/screenshots (or
# $RV_BUILD_DIR). Needs a font package (fonts-dejavu-core) for readable text.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/images}")
build=${RV_BUILD_DIR:-build/screenshots}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target test_app -j 2
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen RV_SCREENSHOT_DIR="$out" \
  "$build/tests/test_app" --gtest_filter='MainWindowTest.Screenshots'
ls -l "$out"/main-*.png
