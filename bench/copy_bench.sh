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
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

need=()
command -v rsync >/dev/null || need+=(rsync)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRV_BUILD_TESTS=OFF \
      -DRV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target rovanel-cli -j 2 >/dev/null
cli=$root/$build/app/rovanel-cli

work=/tmp/rovanel-bench
mkdir -p "$work"
sizes=("$@")
if [ ${#sizes[@]} -eq 0 ]; then sizes=(2000 20000 100000 big); fi

# A tree of n files of 1-8 KiB, 100 to a folder, folders two levels deep.
make_tree() {
  local dir=$1 n=$2
  if [ -f "$dir.complete" ]; then return; fi
  rm -rf "$dir"
  python3 - "$dir" "$n" <<'PY'
import os, sys, random
root, n = sys.argv[1], int(sys.argv[2])
random.seed(n)
blob = os.urandom(8192)
for i in range(n):
    d = os.path.join(root, "d%03d" % (i // 2000), "s%03d" % ((i // 100) % 20))
    if i % 100 == 0:
        os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%06d.dat" % i), "wb") as f:
        f.write(blob[: random.randint(1024, 8192)])
PY
  touch "$dir.complete"
}

make_big() {
  local dir=$1
  if [ -f "$dir.complete" ]; then return; fi
  rm -rf "$dir"; mkdir -p "$dir"
  for i in 1 2 3 4 5; do head -c $((20 * 1024 * 1024)) /dev/urandom >"$dir/big$i.bin"; done
  touch "$dir.complete"
}

# Settings for one project copying every file of $1 into $2 ("older" mode).
write_settings() {
  local src=$1 out=$2 file=$3
  printf '\xEF\xBB\xBF' >"$file"
  printf '%s\r\n' "CopyProjectsN=1" "CopyProjects[1].ProjectName=Bench" \
    "CopyProjects[1].SourceFolder=$src" "CopyProjects[1].SourceFilesN=1" \
    "CopyProjects[1].SourceFiles[1]=**/*.*" "CopyProjects[1].SourceSubFolders[1]=No" \
    "CopyProjects[1].SourceJunkPath[1]=No" "CopyProjects[1].OutputFolder={OutDir}" \
    "CopyProjects[1].Overwrite=2" "OutDir=$out" >>"$file"
}

# Runs a command under /usr/bin/time -v; sets SECS and PEAK_KB.
timed() {
  local log=$work/time.txt
  /usr/bin/time -v -o "$log" "$@" >/dev/null
  SECS=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$log")
  PEAK_KB=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$log")
}

# The best time so far for one tool; MIN[tool] and PEAK[tool].
declare -A MIN PEAK
record() {
  local tool=$1
  if [ -z "${MIN[$tool]:-}" ] || awk -v a="$SECS" -v b="${MIN[$tool]}" 'BEGIN{exit !(a<b)}'; then
    MIN[$tool]=$SECS
  fi
  if [ "$PEAK_KB" -gt "${PEAK[$tool]:-0}" ]; then PEAK[$tool]=$PEAK_KB; fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b > 0) printf "%.2f", a/b; else print "n/a" }'; }

printf '%-8s | %8s %8s %8s %6s | %9s %9s %6s | %8s\n' tree "cp -a" "rsync -a" rovanel "÷cp" \
  "re rsync" "re rovanel" "÷rsync" "peak MB"
for size in "${sizes[@]}"; do
  src=$work/src-$size
  if [ "$size" = big ]; then make_big "$src"; else make_tree "$src" "$size"; fi
  out=$work/out-$size
  runs=3
  if [ "$size" = 100000 ]; then runs=1; fi
  settings=$work/rv-$size.ini
  write_settings "$src" "$out" "$settings"

  MIN=(); PEAK=()
  # The tools take turns in each round, so that a change in the machine's load hits them alike.
  for _ in $(seq "$runs"); do
    rm -rf "$out"; sync; timed cp -a "$src" "$out"; record cp
    rm -rf "$out"; sync; timed rsync -a "$src/" "$out/"; record rsync
    rm -rf "$out"; sync; timed "$cli" -config "$settings" -start Bench; record rovanel
  done
  # Re-runs against the tree rovanel-cli has just written: nothing to copy.
  sync
  for _ in $(seq "$runs"); do
    timed rsync -a "$src/" "$out/"; record re-rsync
    timed "$cli" -config "$settings" -start Bench; record re-rovanel
  done
  cp_s=${MIN[cp]}; rsync_s=${MIN[rsync]}; rv_s=${MIN[rovanel]}
  rersync_s=${MIN[re-rsync]}; rerv_s=${MIN[re-rovanel]}
  rv_peak=${PEAK[rovanel]}
  if [ "${PEAK[re-rovanel]}" -gt "$rv_peak" ]; then rv_peak=${PEAK[re-rovanel]}; fi

  printf '%-8s | %8s %8s %8s %6s | %9s %9s %6s | %8.1f\n' "$size" "$cp_s" "$rsync_s" "$rv_s" \
    "$(ratio "$rv_s" "$cp_s")" "$rersync_s" "$rerv_s" "$(ratio "$rerv_s" "$rersync_s")" \
    "$(awk -v k="$rv_peak" 'BEGIN{print k/1024}')"
  rm -rf "$out"
done
echo "(seconds, best of 3 runs; 1 run for 100000; trees kept in $work for the next run)"
