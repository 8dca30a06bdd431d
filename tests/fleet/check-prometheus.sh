#!/usr/bin/env bash
# The metrics file of a real fill as a fleet reads it: promtool accepts it while the run writes
# and after it; Debian's node exporter, its textfile collector pointed at the file's folder,
# serves the varnell series; a Prometheus server scraping that exporter answers a query for the
# bytes written. Every server is started here on a free loopback port and stopped again; every
# wait is bounded. Skips (77) without the programs or without root (the fill needs a tmpfs).
#   check-prometheus.sh VARNELL_CLI
set -u
Cli=$1
Skip=77
for Program in promtool prometheus-node-exporter prometheus python3; do
  command -v "$Program" >/dev/null || {
    echo "SKIP: $Program is missing (scripts/install-deps.sh installs it)"
    exit $Skip
  }
done
[ "$(id -u)" -eq 0 ] || {
  echo "SKIP: needs root to mount a small tmpfs to fill"
  exit $Skip
}

Work=$(mktemp -d /tmp/varnell-fleet-XXXXXX)
Pids=()
Mounted=0
cleanup() {
  local Pid Round
  for Pid in "${Pids[@]}"; do
    kill -TERM "$Pid" 2>/dev/null
  done
  for Pid in "${Pids[@]}"; do
    for Round in $(seq 50); do
      kill -0 "$Pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$Pid" 2>/dev/null
    wait "$Pid" 2>/dev/null
  done
  [ $Mounted -eq 0 ] || umount "$Work/fill"
  rm -rf "$Work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for Log in "$Work"/*.log; do
    [ -s "$Log" ] && { echo "--- $Log"; tail -20 "$Log"; }
  done
  exit 1
}

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# The body of an HTTP answer, or nothing when the server does not answer (yet).
fetch() {
  python3 -c 'import sys, urllib.request
try:
    sys.stdout.write(urllib.request.urlopen(sys.argv[1], timeout=2).read().decode())
except Exception:
    pass' "$1"
}
# Waits up to $1 seconds for the command to succeed.
wait_for() {
  local Limit=$1 Round
  shift
  for Round in $(seq $((Limit * 5))); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

mkdir "$Work/fill" "$Work/textfiles"
mount -t tmpfs -o size=160m varnell-fleet "$Work/fill" || {
  echo "SKIP: a tmpfs cannot be mounted here"
  exit $Skip
}
Mounted=1
Metrics=$Work/textfiles/varnell.prom

# A fill that repeats until interrupted, so the servers see it while it writes.
"$Cli" --repeat --quiet --lang en --metrics "$Metrics" "$Work/fill" >"$Work/varnell.log" 2>&1 &
Cli_Pid=$!
Pids+=($Cli_Pid)
wait_for 30 test -s "$Metrics" || fail "no metrics file while the fill runs"
cp "$Metrics" "$Work/during.prom"
grep -q 'varnell_state{.*state="writing"} 1' "$Work/during.prom" || fail "not writing: $(cat "$Work/during.prom")"
promtool check metrics <"$Work/during.prom" || fail "promtool refuses the file of a running fill"

Exporter_Port=$(free_port)
prometheus-node-exporter --web.listen-address="127.0.0.1:$Exporter_Port" \
  --collector.disable-defaults --collector.textfile \
  --collector.textfile.directory="$Work/textfiles" >"$Work/exporter.log" 2>&1 &
Pids+=($!)
exporter_serves() {
  fetch "http://127.0.0.1:$Exporter_Port/metrics" >"$Work/exported.txt"
  grep -q '^varnell_written_bytes_total{device="[^"]*",label="fill",' "$Work/exported.txt" &&
    grep -q '^node_textfile_scrape_error 0' "$Work/exported.txt"
}
wait_for 20 exporter_serves || fail "the node exporter does not serve the varnell series"

Prometheus_Port=$(free_port)
cat >"$Work/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
  evaluation_interval: 1s
scrape_configs:
  - job_name: varnell
    static_configs:
      - targets: ['127.0.0.1:$Exporter_Port']
YAML
prometheus --config.file="$Work/prometheus.yml" --storage.tsdb.path="$Work/tsdb" \
  --web.listen-address="127.0.0.1:$Prometheus_Port" --log.level=warn >"$Work/prometheus.log" 2>&1 &
Pids+=($!)
# The bytes written, as a dashboard or an alert asks for them: a number above zero for the drive.
prometheus_answers() {
  fetch "http://127.0.0.1:$Prometheus_Port/api/v1/query?query=varnell_written_bytes_total%7Blabel%3D%22fill%22%7D" >"$Work/answer.json"
  python3 - "$Work/answer.json" <<'PY'
import json, sys
try:
    answer = json.load(open(sys.argv[1]))
except ValueError:
    sys.exit(1)
result = answer.get("data", {}).get("result", [])
sys.exit(0 if answer.get("status") == "success" and len(result) == 1
         and float(result[0]["value"][1]) > 0 and result[0]["metric"].get("job") == "varnell" else 1)
PY
}
wait_for 45 prometheus_answers || fail "Prometheus does not answer for the bytes written: $(cat "$Work/answer.json")"

kill -INT $Cli_Pid
wait_for 30 bash -c "! kill -0 $Cli_Pid 2>/dev/null" || fail "the fill did not end after its interrupt"
wait $Cli_Pid
Code=$?
[ $Code -eq 0 ] || fail "the cancelled fill ended with $Code"
grep -q 'varnell_state{.*state="cancelled"} 1' "$Metrics" || fail "not marked cancelled: $(cat "$Metrics")"
promtool check metrics <"$Metrics" || fail "promtool refuses the file of the ended fill"
[ "$(ls -A "$Work/textfiles")" = varnell.prom ] || fail "more than the metrics file: $(ls -A "$Work/textfiles")"
echo "metrics: promtool, the node exporter and Prometheus read the fill's figures"
