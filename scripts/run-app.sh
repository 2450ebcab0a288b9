#!/usr/bin/env bash
# Runs the desktop program against a local web service: scripts/run-app.sh BUILD [program arguments]
# Starts BUILD/bin/pictorelle-web on 127.0.0.1:8642 unless something already answers there,
# and stops it again when the program ends. Exits with the program's exit code.
set -euo pipefail

if [ "$#" -lt 1 ]; then
  echo "usage: scripts/run-app.sh BUILD [program arguments]" >&2
  exit 2
fi
build=$1
shift

address="http://127.0.0.1:8642"
program="$build/bin/pictorelle"
service="$build/bin/pictorelle-web"

if [ ! -x "$program" ]; then
  echo "run-app: the desktop program $program does not exist yet; build it first (make build)." >&2
  exit 1
fi
if ! command -v curl >/dev/null 2>&1; then
  echo "run-app: curl is needed to look for a running service; install it (make deps)." >&2
  exit 1
fi

# The program folder is the executable's folder; the service keeps its data beside it.
folder=$(cd "$build/bin" && pwd)
data="$folder/pictorelle-web-data"
log="$folder/pictorelle-web.log"

answers() {
  curl --silent --output /dev/null --max-time 1 "$address/"
}

service_pid=""
# shellcheck disable=SC2317  # run by the traps below
stop_service() {
  if [ -n "$service_pid" ]; then
    kill -TERM "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
    service_pid=""
  fi
}
trap stop_service EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if answers; then
  echo "Service: $address (already running, left alone)"
else
  if [ ! -x "$service" ]; then
    echo "run-app: the service $service does not exist yet; build it first (make build)." >&2
    exit 1
  fi
  "$service" --host 127.0.0.1 --port 8642 --data "$data" >"$log" 2>&1 &
  service_pid=$!
  deadline=$((SECONDS + 10))
  until answers; do
    if ! kill -0 "$service_pid" 2>/dev/null; then
      wait "$service_pid" 2>/dev/null || true
      service_pid=""
      echo "run-app: the service stopped at once; its log ($log):" >&2
      tail -n 20 "$log" >&2
      exit 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "run-app: the service did not answer on $address within 10 s; its log: $log" >&2
      exit 1
    fi
    sleep 0.1
  done
  echo "Service: $address (started here, data in $data, log in $log)"
fi

status=0
"$program" --service "$address" "$@" || status=$?
exit "$status"
