#!/usr/bin/env bash
# Times rovanel-cli (Release build) against `cp -a` and `rsync -a` on trees of 2,000, 20,000 and
# 100,000 small files and on a few 20 MiB files, all under /tmp:
#   fresh copy  - into an empty output folder: rovanel-cli vs cp -a and rsync -a
#   re-run      - nothing changed, overwrite mode "older": rovanel-cli vs rsync -a
# and prints the ratios and rovanel-cli's peak memory (/usr/bin/time -v).
# Targets: fresh copy within 1.1x of cp -a; re-run no slower than rsync -a; peak memory under
# 40 MB at 100,000 files.
#
# Usage: bash bench/copy_bench.sh [sizes...]     (default: 2000 20000 100000 big)
# RV_BENCH_DIR (default /tmp/rovanel-bench) places the trees, e.g. on /dev/shm to take the disk
# out of the figures; RV_BENCH_ROUNDS sets the rounds (default 3, 1 for 100,000 files).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
need_commands rsync:rsync /usr/bin/time:time
build_cli
cli=$CLI

work=${RV_BENCH_DIR:-/tmp/rovanel-bench}
mkdir -p "$work"
TIME_LOG=$work/time.txt
sizes=("$@")
if [ ${#sizes[@]} -eq 0 ]; then sizes=(2000 20000 100000 big); fi

make_big() {
  local dir=$1
  if [ -f "$dir.complete" ]; then return; fi
  rm -rf "$dir"; mkdir -p "$dir"
  for i in 1 2 3 4 5; do head -c $((20 * 1024 * 1024)) /dev/urandom >"$dir/big$i.bin"; done
  touch "$dir.complete"
}

printf '%-8s | %8s %8s %8s %6s %6s | %9s %9s %6s %6s | %8s\n' tree "cp -a" "rsync -a" rovanel \
  "÷cp" "med÷cp" "re rsync" "re rovanel" "÷rsync" "med÷rs" "peak MB"
for size in "${sizes[@]}"; do
  src=$work/src-$size
  if [ "$size" = big ]; then make_big "$src"; else make_tree "$src" "$size"; fi
  out=$work/out-$size
  runs=${RV_BENCH_ROUNDS:-3}
  if [ "$size" = 100000 ]; then runs=${RV_BENCH_ROUNDS:-1}; fi
  settings=$work/rv-$size.ini
  write_settings "$src" "$out" "$settings"

  MIN=(); PEAK=()
  fresh_ratios=(); rerun_ratios=()
  # The tools take turns in each round, rovanel-cli and cp -a side by side and in alternating
  # order, so that a change in the machine's load hits them alike; each round gives a ratio.
  for round in $(seq "$runs"); do
    for tool in $( ((round % 2)) && echo "cp rovanel" || echo "rovanel cp"); do
      rm -rf "$out"; sync
      if [ "$tool" = cp ]; then timed cp -a "$src" "$out"; else timed "$cli" -config "$settings" -start Bench; fi
      record "$tool"
      if [ "$tool" = cp ]; then cp_round=$SECS; else rv_round=$SECS; fi
    done
    fresh_ratios+=("$(ratio "$rv_round" "$cp_round")")
    rm -rf "$out"; sync; timed rsync -a "$src/" "$out/"; record rsync
  done
  # Re-runs against a tree rovanel-cli has written: nothing to copy.
  rm -rf "$out"; "$cli" -config "$settings" -start Bench >/dev/null; sync
  for _ in $(seq "$runs"); do
    timed rsync -a "$src/" "$out/"; record re-rsync; rs_round=$SECS
    timed "$cli" -config "$settings" -start Bench; record re-rovanel
    rerun_ratios+=("$(ratio "$SECS" "$rs_round")")
  done
  rv_peak=${PEAK[rovanel]}
  if [ "${PEAK[re-rovanel]}" -gt "$rv_peak" ]; then rv_peak=${PEAK[re-rovanel]}; fi

  printf '%-8s | %8s %8s %8s %6s %6s | %9s %9s %6s %6s | %8.1f\n' "$size" "${MIN[cp]}" \
    "${MIN[rsync]}" "${MIN[rovanel]}" "$(ratio "${MIN[rovanel]}" "${MIN[cp]}")" \
    "$(median "${fresh_ratios[@]}")" "${MIN[re-rsync]}" "${MIN[re-rovanel]}" \
    "$(ratio "${MIN[re-rovanel]}" "${MIN[re-rsync]}")" "$(median "${rerun_ratios[@]}")" \
    "$(awk -v k="$rv_peak" 'BEGIN{print k/1024}')"
  rm -rf "$out"
done
echo "(wall seconds, best of ${RV_BENCH_ROUNDS:-3} rounds (${RV_BENCH_ROUNDS:-1} for 100000);" \
  "÷ = ratio of the best times, med÷ = median of the per-round ratios; trees kept in $work)"
