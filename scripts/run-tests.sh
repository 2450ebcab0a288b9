#!/usr/bin/env bash
# Runs every test of a configured and built tree: ./scripts/run-tests.sh [BUILD]
# Starts the services the tests need first; with CI=true a service that cannot
# start fails the run instead of skipping its tests.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen

# A throw-away PostgreSQL cluster for service_tests_postgresql: its own folder, a free
# loopback port, trust for loopback only, removed again when the run ends. initdb refuses
# to run as root, so the server runs as the "postgres" user the package made.
pg_bin=${PICTORELLE_PG_BIN:-/usr/lib/postgresql/15/bin}
pg_dir=""
pg_stop() {
  if [ -n "$pg_dir" ]; then
    as_pg "$pg_bin/pg_ctl" -D "$pg_dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$pg_dir"
  fi
}
as_pg() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
pg_start() {
  [ -x "$pg_bin/initdb" ] || { echo "no PostgreSQL server in $pg_bin (package postgresql)"; return 1; }
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "no postgres user to run the server as"
    return 1
  fi
  pg_dir=$(mktemp -d /tmp/pictorelle-pg.XXXXXX)
  if [ "$(id -u)" -eq 0 ]; then chown postgres: "$pg_dir"; fi
  as_pg "$pg_bin/initdb" -D "$pg_dir/data" -U postgres -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=reject >"$pg_dir/initdb.log" 2>&1 || { cat "$pg_dir/initdb.log"; return 1; }
  # Loopback only, and only there without a password.
  printf 'local all all trust\nhost all all 127.0.0.1/32 trust\nhost all all ::1/128 trust\n' \
    >"$pg_dir/data/pg_hba.conf"
  # A random port nothing listens on; another program may take it first, so a few tries.
  local port attempt
  for attempt in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then continue; fi
    # Durability is of no use for a cluster that is deleted afterwards; speed is.
    if as_pg "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/server.log" -w -t 60 start \
      -o "-h 127.0.0.1 -p $port -k $pg_dir -c max_connections=400 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
      >/dev/null; then
      export PICTORELLE_TEST_POSTGRES="postgresql://postgres@127.0.0.1:$port/postgres"
      echo "PostgreSQL test cluster on 127.0.0.1:$port"
      return 0
    fi
  done
  cat "$pg_dir/server.log"
  return 1
}
trap pg_stop EXIT
if ! pg_start; then
  if [ "${CI:-}" = "true" ]; then
    echo "the PostgreSQL test cluster did not start" >&2
    exit 1
  fi
  echo "the PostgreSQL test cluster did not start: the service_tests_postgresql tests are skipped" >&2
  unset PICTORELLE_TEST_POSTGRES
fi

# A hung test fails after 5 minutes instead of holding the whole run.
ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"
