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

# A tree of n files of 1-8 KiB, $3 (default 100) to a folder, 20 folders in each of the first
# level's; kept for the next run.
make_tree() {
  local dir=$1 n=$2 per=${3:-100}
  if [ -f "$dir.complete" ]; then return; fi
  rm -rf "$dir"
  python3 - "$dir" "$n" "$per" <<'PY'
import os, sys, random
root, n, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
random.seed(n)
blob = os.urandom(8192)
for i in range(n):
    d = os.path.join(root, "d%03d" % (i // (per * 20)), "s%03d" % ((i // per) % 20))
    if i % per == 0:
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

# Processes a benchmark started (servers, relays), stopped by their process ids:
#   trap stop_started EXIT
STARTED_PIDS=()
stop_started() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  STARTED_PIDS=()
}

# Waits up to 10 s until the file $1 holds a line starting with $2 while the process $3 lives;
# prints that line's second word (empty for none) and fails when it does not come.
wait_for_line() {
  local file=$1 start=$2 pid=$3 line
  for _ in $(seq 100); do
    line=$(awk -v s="$start" 'index($0, s) == 1 {print; exit}' "$file" 2>/dev/null)
    if [ -n "$line" ]; then echo "$line" | awk '{print $2}'; return 0; fi
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Starts the test suite's pyftpdlib server (user "user", password "secret", 127.0.0.1, a free
# port) on the folder $2 in mode $3 (plain, or explicit with a certificate $4 and key $5), its
# output in $1.out and $1.err; sets FTP_PORT. PYFTPD_PASSIVE_PORTS and PYFTPD_MASQUERADE pass
# through (see the script).
start_pyftpd() {
  local log=$1
  shift
  /usr/bin/python3 tests/fixtures/ftp/pyftpd_server.py "$@" >"$log.out" 2>"$log.err" &
  STARTED_PIDS+=($!)
  FTP_PORT=$(wait_for_line "$log.out" "PORT " $!) \
    || { echo "pyftpdlib did not start: $(cat "$log.err")" >&2; return 1; }
}

# Fails loudly unless the folder $1 holds exactly $2 files; $3 names who uploaded them.
check_uploaded() {
  local got
  got=$(find "$1" -type f 2>/dev/null | wc -l)
  [ "$got" -eq "$2" ] || { echo "$3 uploaded $got of $2 files into $1" >&2; return 1; }
}

# Fails loudly unless the files under $2 have the bytes of those under $1; $3 names who wrote them.
check_same() {
  cmp <(cd "$1" && find . -type f -exec md5sum {} + | sort -k2) \
      <(cd "$2" && find . -type f -exec md5sum {} + | sort -k2) >/dev/null \
    || { echo "the files $3 wrote into $2 differ from those in $1" >&2; return 1; }
}

# lftp's `mirror -R` of $4 into $5 on the server $1:$2 as one command line (the array LFTP) for
# /usr/bin/time; $3 holds further lftp settings, $6 mirror options.
lftp_mirror() {
  local host=$1 port=$2 sets=$3 src=$4 dst=$5 opts=${6:-}
  LFTP=(lftp -u user,secret -p "$port"
        -e "set cmd:fail-exit yes; set net:max-retries 1; $sets; mirror -R $opts $src $dst; quit"
        "$host")
}
