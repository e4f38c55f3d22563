#!/usr/bin/env bash
# Times a run in the window against the same run in rovanel-cli (Release builds): one project
# copying a tree of n small files (default 20,000, 100 to a folder) into an empty output folder.
# The window runs offscreen (QT_QPA_PLATFORM=offscreen) with `-start Bench -close`, so that it
# shows every line and closes when done. The two take turns in each round; the medians and their
# ratio are printed (target: the window within 1.2x of the console).
#
# Usage: bash bench/window_bench.sh [files]
# RV_BENCH_DIR (default /tmp/rovanel-window-bench) places the tree, e.g. on /dev/shm to take the
# disk out of the figures; RV_BENCH_ROUNDS sets the rounds (default 5).
set -euo pipefail
export QT_QPA_PLATFORM=offscreen
cd "$(dirname "$0")/.."
source bench/lib.sh
need_commands /usr/bin/time:time
build_cli
cmake --build build/release --target rovanel -j 2 >/dev/null
gui=$PWD/build/release/app/rovanel
[ -x "$gui" ] || { echo "the desktop program was not built (Qt Widgets missing?)" >&2; exit 1; }

files=${1:-20000}
work=${RV_BENCH_DIR:-/tmp/rovanel-window-bench}
mkdir -p "$work"
TIME_LOG=$work/time.txt
src=$work/src-$files
make_tree "$src" "$files"
out=$work/out
settings=$work/rv.ini

rounds=${RV_BENCH_ROUNDS:-5}
cli_times=(); gui_times=()
for _ in $(seq "$rounds"); do
  rm -rf "$out"; write_settings "$src" "$out" "$settings" "CopyProjects[1].Checked=1"
  timed "$CLI" -config "$settings" -start Bench; cli_times+=("$SECS")
  [ "$(find "$out" -type f | wc -l)" -eq "$files" ] || { echo "rovanel-cli copied $(find "$out" -type f | wc -l) of $files files" >&2; exit 1; }
  rm -rf "$out"; write_settings "$src" "$out" "$settings" "CopyProjects[1].Checked=1"
  timed "$gui" -config "$settings" -start Bench -close; gui_times+=("$SECS")
  [ "$(find "$out" -type f | wc -l)" -eq "$files" ] || { echo "rovanel copied $(find "$out" -type f | wc -l) of $files files" >&2; exit 1; }
done

cli_median=$(median "${cli_times[@]}")
gui_median=$(median "${gui_times[@]}")
printf '%-7s | %10s %10s %7s\n' files "console" "window" "÷console"
printf '%-7s | %10s %10s %7s\n' "$files" "$cli_median" "$gui_median" "$(ratio "$gui_median" "$cli_median")"
echo "(wall seconds, medians of $rounds alternating rounds; console: rovanel-cli, window: rovanel offscreen; under $work)"
