#!/usr/bin/env bash
# Times uploads of a tree of small files (default 2,000 files of 1-8 KiB, 100 to a folder) to
# a local pyftpdlib server on 127.0.0.1 (plain FTP, a free port, stopped by its process id):
#   fresh   - into an empty remote folder: rovanel-cli vs `lftp -e "mirror -R"`
#   re-run  - nothing changed (rovanel-cli: overwrite mode "older"; lftp: mirror -R --only-newer)
# Both use one control connection and one data connection per file; the same server serves
# both, in turns, so the ratio compares the clients.
#
# Usage: bash bench/upload_bench.sh [files]
# RV_BENCH_DIR (default /tmp/rovanel-upload-bench) places the tree and the server's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
need_commands lftp:lftp /usr/bin/time:time
if ! /usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null; then
  install_packages python3-pyftpdlib
fi
build_cli

files=${1:-2000}
work=${RV_BENCH_DIR:-/tmp/rovanel-upload-bench}
mkdir -p "$work"
TIME_LOG=$work/time.txt
src=$work/src-$files
make_tree "$src" "$files"
root=$work/server
rm -rf "$root"; mkdir -p "$root"

trap stop_started EXIT
start_pyftpd "$work/server" "$root" plain
port=$FTP_PORT

settings=$work/rv.ini
write_settings "$src" /rovanel "$settings" "CopyProjects[1].FTPConnName=Bench server" \
  "FTPConnN=1" "FTPConn[1].ConnName=Bench server" "FTPConn[1].Host=127.0.0.1" \
  "FTPConn[1].Port=$port" "FTPConn[1].UserName=user" "FTPConn[1].Password=secret"

MIN=(); PEAK=()
runs=3
# The tools take turns in each round, so that a change in the machine's load hits them alike.
for _ in $(seq "$runs"); do
  rm -rf "$root/lftp" "$root/rovanel"
  lftp_mirror 127.0.0.1 "$port" "set ftp:ssl-allow no" "$src" /lftp; timed "${LFTP[@]}"; record lftp
  timed "$CLI" -config "$settings" -start Bench; record rovanel
  check_uploaded "$root/rovanel" "$files" rovanel-cli
  check_uploaded "$root/lftp" "$files" lftp
done
check_same "$src" "$root/rovanel" rovanel-cli
for _ in $(seq "$runs"); do
  lftp_mirror 127.0.0.1 "$port" "set ftp:ssl-allow no" "$src" /lftp --only-newer; timed "${LFTP[@]}"; record re-lftp
  timed "$CLI" -config "$settings" -start Bench; record re-rovanel
done

printf '%-7s | %8s %8s %6s | %8s %8s %6s | %8s\n' files lftp rovanel "÷lftp" \
  "re lftp" "re rovanel" "÷lftp" "peak MB"
printf '%-7s | %8s %8s %6s | %8s %8s %6s | %8.1f\n' "$files" "${MIN[lftp]}" "${MIN[rovanel]}" \
  "$(ratio "${MIN[rovanel]}" "${MIN[lftp]}")" "${MIN[re-lftp]}" "${MIN[re-rovanel]}" \
  "$(ratio "${MIN[re-rovanel]}" "${MIN[re-lftp]}")" \
  "$(awk -v k="${PEAK[rovanel]}" 'BEGIN{print k/1024}')"
echo "(wall seconds, best of $runs rounds; server: pyftpdlib, plain FTP on 127.0.0.1)"
