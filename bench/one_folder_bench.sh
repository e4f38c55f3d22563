#!/usr/bin/env bash
# Times rovanel-cli against a remote folder that holds many files: n files (default 20,000, of
# 1-8 KiB) in ONE folder are uploaded once to a local pyftpdlib server on 127.0.0.1 (plain
# FTP, a free port, stopped by its process id), then uploaded again with nothing changed
# (overwrite mode "older"): the re-run lists the folder once and looks every file up in it.
#
# Usage: bash bench/one_folder_bench.sh [files]
# RV_BENCH_DIR (default /tmp/rovanel-one-folder-bench) places the tree and the server's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
need_commands /usr/bin/time:time
if ! /usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null; then
  install_packages python3-pyftpdlib
fi
build_cli

files=${1:-20000}
work=${RV_BENCH_DIR:-/tmp/rovanel-one-folder-bench}
mkdir -p "$work"
TIME_LOG=$work/time.txt
src=$work/src-$files
if [ ! -f "$src.complete" ]; then
  rm -rf "$src"
  python3 - "$src" "$files" <<'PY'
import os, sys, random
root, n = sys.argv[1], int(sys.argv[2])
random.seed(n)
os.makedirs(root)
blob = os.urandom(8192)
for i in range(n):
    with open(os.path.join(root, "f%06d.dat" % i), "wb") as f:
        f.write(blob[: random.randint(1024, 8192)])
PY
  touch "$src.complete"
fi
root=$work/server
rm -rf "$root"; mkdir -p "$root"

/usr/bin/python3 tests/fixtures/ftp/pyftpd_server.py "$root" plain >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
port=""
for _ in $(seq 100); do
  port=$(awk '/^PORT / {print $2}' "$work/server.out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "pyftpdlib did not start: $(cat "$work/server.err")" >&2; exit 1; }

settings=$work/rv.ini
write_settings "$src" /rovanel "$settings" "CopyProjects[1].FTPConnName=Bench server" \
  "FTPConnN=1" "FTPConn[1].ConnName=Bench server" "FTPConn[1].Host=127.0.0.1" \
  "FTPConn[1].Port=$port" "FTPConn[1].UserName=user" "FTPConn[1].Password=secret"

timed "$CLI" -config "$settings" -start Bench; record upload
uploaded=$(find "$root/rovanel" -maxdepth 1 -type f -name 'f*.dat' | wc -l)
[ "$uploaded" -eq "$files" ] || { echo "rovanel-cli uploaded $uploaded of $files files" >&2; exit 1; }
for _ in 1 2 3; do
  "$CLI" -config "$settings" -start Bench >"$work/rerun.log"
  timed "$CLI" -config "$settings" -start Bench; record re-run
done
grep -q "Copied: 0, skipped: 0, already existed: $files, failed: 0" "$work/rerun.log" \
  || { echo "the re-run did not find every file in place:" >&2; tail -3 "$work/rerun.log" >&2; exit 1; }

printf '%-7s | %8s | %8s\n' files upload "re-run"
printf '%-7s | %8s | %8s\n' "$files" "${MIN[upload]}" "${MIN[re-run]}"
echo "(wall seconds; re-run: best of 3, nothing to upload; pyftpdlib, plain FTP on 127.0.0.1)"
