#!/usr/bin/env bash
# Times uploads of a tree of small files (default 101 files of 1-8 KiB in 11 folders) to a
# pyftpdlib server that answers as if it were far away: every control and data connection goes
# through a relay (delayproxy.py) from 127.0.0.2 to the server on 127.0.0.1 that holds each
# direction back by 10 ms, a 20 ms round trip. Plain FTP and explicit TLS, each:
#   fresh   - into an empty remote folder
#   re-run  - nothing changed (rovanel-cli: overwrite mode "older"; lftp: mirror -R --only-newer)
# with rovanel-cli at one and at four transfers (FTPConn[1].SimultaneousTransfers), lftp's
# `mirror -R` and `mirror -R --parallel=4`. The four take turns in each round, starting with a
# different one each round; medians of the rounds and their ratios are printed.
#
# Usage: bash bench/latency_upload.sh [files [files-per-folder]]
# RV_BENCH_DIR (default /tmp/rovanel-latency-bench) places the tree, the servers' folders and
# the certificate; RV_BENCH_ROUNDS sets the rounds (default 3); RV_BENCH_DELAY_MS the delay of
# each direction (default 10). RV_DELAYPROXY must name the relay: a script taking
# --listen ADDR --target ADDR --ports LIST --delay-ms N that prints READY once it listens.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
need_commands lftp:lftp openssl:openssl /usr/bin/time:time
if ! /usr/bin/python3 -c 'import pyftpdlib, OpenSSL' 2>/dev/null; then
  install_packages python3-pyftpdlib python3-openssl
fi
relay_script=${RV_DELAYPROXY:-}
[ -n "$relay_script" ] || { echo "RV_DELAYPROXY must name the delay relay script" >&2; exit 2; }
[ -f "$relay_script" ] || { echo "no relay script at $relay_script (RV_DELAYPROXY)" >&2; exit 1; }
build_cli

files=${1:-101}
per=${2:-10}
rounds=${RV_BENCH_ROUNDS:-3}
delay=${RV_BENCH_DELAY_MS:-10}
work=${RV_BENCH_DIR:-/tmp/rovanel-latency-bench}
mkdir -p "$work"
TIME_LOG=$work/time.txt
src=$work/src-$files-$per
make_tree "$src" "$files" "$per"
folders=$(find "$src" -type f -printf '%h\n' | sort -u | wc -l)

# A fresh certificate and a fresh store of trusted certificates, so that nothing depends on an
# earlier run: rovanel-cli records the server's certificate there on first use.
rm -rf "$work/tls" "$work/xdg"
mkdir -p "$work/tls" "$work/xdg"
export XDG_DATA_HOME=$work/xdg
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.2 \
  -addext subjectAltName=IP:127.0.0.2 -keyout "$work/tls/key.pem" -out "$work/tls/cert.pem" \
  2>"$work/tls/openssl.err" || { cat "$work/tls/openssl.err" >&2; exit 1; }

# The first of n consecutive ports below the kernel's ephemeral range that are free on both
# 127.0.0.1 (the server's passive ports) and 127.0.0.2 (the relay's).
free_port_range() {
  /usr/bin/python3 - "$1" <<'PY'
import random, socket, sys
n = int(sys.argv[1])
low = int(open("/proc/sys/net/ipv4/ip_local_port_range").read().split()[0])
for _ in range(200):
    first = random.randint(10000, low - n)
    held = []
    try:
        for port in range(first, first + n):
            for address in ("127.0.0.1", "127.0.0.2"):
                s = socket.socket()
                held.append(s)
                s.bind((address, port))
    except OSError:
        continue
    finally:
        for s in held:
            s.close()
    print(first)
    sys.exit(0)
sys.exit("no %d free consecutive ports" % n)
PY
}

# Starts the server in mode $1 (plain or explicit) on a fresh folder SERVER_ROOT, with 40
# passive ports, and the relay on its control port and all of those; sets PORT.
start_far_server() {
  local mode=$1 first last cert=()
  SERVER_ROOT=$work/server-$mode
  rm -rf "$SERVER_ROOT"; mkdir -p "$SERVER_ROOT"
  first=$(free_port_range 40)
  last=$((first + 39))
  if [ "$mode" = explicit ]; then cert=("$work/tls/cert.pem" "$work/tls/key.pem"); fi
  PYFTPD_PASSIVE_PORTS=$first-$last PYFTPD_MASQUERADE=127.0.0.2 \
    start_pyftpd "$work/server-$mode" "$SERVER_ROOT" "$mode" "${cert[@]}"
  PORT=$FTP_PORT
  /usr/bin/python3 "$relay_script" --listen 127.0.0.2 --target 127.0.0.1 \
    --ports "$PORT,$first-$last" --delay-ms "$delay" >"$work/relay-$mode.out" 2>"$work/relay-$mode.err" &
  STARTED_PIDS+=($!)
  wait_for_line "$work/relay-$mode.out" READY $! >/dev/null \
    || { echo "the relay did not start: $(cat "$work/relay-$mode.err")" >&2; exit 1; }
}

# rovanel-cli's settings for mode $1 with $2 transfers, uploading into /rv$2.
write_rovanel_settings() {
  local mode=$1 n=$2 tls=0
  if [ "$mode" = explicit ]; then tls=2; fi # AUTH TLS, no login without it
  write_settings "$src" "/rv$n" "$work/$mode-rv$n.ini" "CopyProjects[1].FTPConnName=Far server" \
    "FTPConnN=1" "FTPConn[1].ConnName=Far server" "FTPConn[1].Host=127.0.0.2" \
    "FTPConn[1].Port=$PORT" "FTPConn[1].UseTLS=$tls" "FTPConn[1].UserName=user" \
    "FTPConn[1].Password=secret" "FTPConn[1].SimultaneousTransfers=$n"
}

# Runs tool $3 (rv1, rv4, lftp1, lftp4) in mode $1, $2 fresh or re-run, and keeps its time.
declare -A TIMES
run_tool() {
  local mode=$1 kind=$2 tool=$3 sets opts=""
  case $tool in
    rv*)
      timed "$CLI" -config "$work/$mode-$tool.ini" -start Bench ;;
    lftp*)
      if [ "$mode" = explicit ]; then
        sets="set ftp:ssl-force yes; set ftp:ssl-protect-data yes; set ssl:verify-certificate no"
      else
        sets="set ftp:ssl-allow no"
      fi
      if [ "$kind" = re-run ]; then opts="--only-newer"; fi
      if [ "$tool" = lftp4 ]; then opts="$opts --parallel=4"; fi
      lftp_mirror 127.0.0.2 "$PORT" "set net:timeout 30; $sets" "$src" "/$tool" "$opts"
      timed "${LFTP[@]}" ;;
  esac
  TIMES[$mode $kind $tool]+=" $SECS"
}

trap stop_started EXIT
tools=(rv1 rv4 lftp1 lftp4)
for mode in plain explicit; do
  start_far_server "$mode"
  write_rovanel_settings "$mode" 1
  write_rovanel_settings "$mode" 4
  for round in $(seq "$rounds"); do
    # Each round starts with the next tool, so that a change in the machine's load hits all alike.
    order=("${tools[@]:$(((round - 1) % 4))}" "${tools[@]:0:$(((round - 1) % 4))}")
    for tool in "${order[@]}"; do
      rm -rf "${SERVER_ROOT:?}/$tool"
      run_tool "$mode" fresh "$tool"
      check_uploaded "$SERVER_ROOT/$tool" "$files" "$tool ($mode)"
    done
    if [ "$round" -eq 1 ]; then
      check_same "$src" "$SERVER_ROOT/rv1" "rovanel-cli ($mode)"
      check_same "$src" "$SERVER_ROOT/rv4" "rovanel-cli, 4 transfers ($mode)"
    fi
    for tool in "${order[@]}"; do
      run_tool "$mode" re-run "$tool"
      check_uploaded "$SERVER_ROOT/$tool" "$files" "$tool ($mode, re-run)"
    done
  done
  stop_started
done

# (Written out: printf pads by bytes, and × and ÷ take two.)
echo "                | rovanel×1 rovanel×4      lftp  lftp -P4 |   ×4÷-P4  ×1÷lftp"
for mode in plain explicit; do
  for kind in fresh re-run; do
    declare -A M=()
    for tool in "${tools[@]}"; do
      # shellcheck disable=SC2086 # the times are one space-separated list
      M[$tool]=$(median ${TIMES[$mode $kind $tool]})
    done
    label=$([ "$mode" = plain ] && echo plain || echo TLS)
    printf '%-15s | %9.2f %9.2f %9.2f %9.2f | %8s %8s\n' "$label $kind" "${M[rv1]}" "${M[rv4]}" \
      "${M[lftp1]}" "${M[lftp4]}" "$(ratio "${M[rv4]}" "${M[lftp4]}")" \
      "$(ratio "${M[rv1]}" "${M[lftp1]}")"
  done
done
echo "(wall seconds, medians of $rounds rounds; $files files of 1-8 KiB in $folders folders;" \
  "pyftpdlib behind a relay delaying each direction by $delay ms; TLS: explicit, data protected;" \
  "lftp -P4: mirror -R --parallel=4; re-run: overwrite mode \"older\" / --only-newer)"
