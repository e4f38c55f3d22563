#!/usr/bin/env bash
# Draws the main window offscreen (the projects page with a few projects, a run in progress,
# the log page after a run of the demo site, the About page) and writes the pictures to
# docs/images/ (or the folder given as the first argument). Builds only the program's tests, in
# build/screenshots (or $RV_BUILD_DIR). Needs a font package (fonts-dejavu-core) for readable
# text. The files of the runs live in /home/user of a private mount namespace (unshare), so
# that the pictures show a user's paths; without unshare they live in a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/images}")
build=${RV_BUILD_DIR:-build/screenshots}
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target test_app -j 2
mkdir -p "$out"
test=$(realpath "$build/tests/test_app")
if unshare --mount --map-root-user true 2>/dev/null; then
  QT_QPA_PLATFORM=offscreen RV_SCREENSHOT_DIR="$out" RV_SCREENSHOT_HOME=/home/user \
    unshare --mount --map-root-user sh -c \
    'mount -t tmpfs tmpfs /home && mkdir /home/user && exec "$0" --gtest_filter=MainWindowTest.Screenshots' \
    "$test"
else
  QT_QPA_PLATFORM=offscreen RV_SCREENSHOT_DIR="$out" "$test" --gtest_filter='MainWindowTest.Screenshots'
fi
ls -l "$out"/main-*.png
