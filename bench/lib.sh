# Shared by the shell benchmarks: packages, the Release build of rovanel-cli, test trees and
# timing. Source it from the repository root.

# Installs Debian packages (as root, or through sudo).
install_packages() {
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@"
}

# Installs the Debian package named after each command that is missing:
#   need_commands rsync:rsync /usr/bin/time:time
need_commands() {
  local need=() pair
  for pair in "$@"; do
    command -v "${pair%%:*}" >/dev/null || need+=("${pair#*:}")
  done
  if [ ${#need[@]} -gt 0 ]; then install_packages "${need[@]}"; fi
}

# Builds rovanel-cli in build/release and sets CLI to its path.
build_cli() {
  local build=build/release
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRV_BUILD_TESTS=OFF \
        -DRV_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" --target rovanel-cli -j 2 >/dev/null
  CLI=$PWD/$build/app/rovanel-cli
}

# A tree of n files of 1-8 KiB, 100 to a folder, folders two levels deep; kept for the next run.
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

# Settings (byte-order mark, CR LF) for one project taking every file of $1 (overwrite mode
# "older") into {OutDir} = $2; further arguments are extra lines.
write_settings() {
  local src=$1 out=$2 file=$3
  shift 3
  printf '\xEF\xBB\xBF' >"$file"
  printf '%s\r\n' "CopyProjectsN=1" "CopyProjects[1].ProjectName=Bench" \
    "CopyProjects[1].SourceFolder=$src" "CopyProjects[1].SourceFilesN=1" \
    "CopyProjects[1].SourceFiles[1]=**/*.*" "CopyProjects[1].SourceSubFolders[1]=No" \
    "CopyProjects[1].SourceJunkPath[1]=No" "CopyProjects[1].OutputFolder={OutDir}" \
    "CopyProjects[1].Overwrite=2" "OutDir=$out" "$@" >>"$file"
}

# Runs a command under /usr/bin/time -v with its output thrown away; sets SECS (wall) and
# PEAK_KB. TIME_LOG names the scratch file.
timed() {
  /usr/bin/time -v -o "$TIME_LOG" "$@" >/dev/null
  SECS=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$TIME_LOG")
  PEAK_KB=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$TIME_LOG")
}

# The best time so far of each tool (MIN) and its highest peak memory (PEAK).
declare -A MIN PEAK
record() {
  local tool=$1
  if [ -z "${MIN[$tool]:-}" ] || awk -v a="$SECS" -v b="${MIN[$tool]}" 'BEGIN{exit !(a<b)}'; then
    MIN[$tool]=$SECS
  fi
  if [ "$PEAK_KB" -gt "${PEAK[$tool]:-0}" ]; then PEAK[$tool]=$PEAK_KB; fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b > 0) printf "%.2f", a/b; else print "n/a" }'; }

# The median of numbers (the lower middle one for an even count).
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }
