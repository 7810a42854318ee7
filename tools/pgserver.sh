# Sourced by session.sh: a PostgreSQL server of the session's own for the
# grid's row-lock tests. It listens on loopback only, on the first free port
# from 55432, and stops with the session. The server refuses to run as root
# and runs as its own user, which may not enter the build folder (a clone in
# root's home, mode 0700): its data and socket live in a folder of its own
# under the temporary folder, which goes with the session. The tests find it
# through CORVEX_TEST_PGPORT; without that variable they fail.

pg_pid=
pg_dir=

postgres_stop() {
  if [ -n "$pg_pid" ]; then
    # A fast shutdown of the server itself: it does not wait for clients.
    [ -f "$pg_dir/data/postmaster.pid" ] && kill -INT "$(head -n1 "$pg_dir/data/postmaster.pid")" 2>/dev/null
    kill "$pg_pid" 2>/dev/null || true
    wait "$pg_pid" 2>/dev/null || true
    pg_pid=
  fi
  if [ -n "$pg_dir" ]; then
    rm -rf "$pg_dir"
    pg_dir=
  fi
}

pg_free_port() {
  local port=55432
  while ss -Htln "sport = :$port" | grep -q .; do
    port=$((port + 1))
  done
  echo "$port"
}

session_postgres() {
  local bin
  bin=$(find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -name bin 2>/dev/null | sort -V | tail -n1)
  [ -x "$bin/postgres" ] && id postgres >/dev/null 2>&1 || { echo "pgserver: no PostgreSQL server installed"; return 0; }
  local log="$build/pgserver.log" port
  pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/ecr-pg.XXXXXX")
  chown postgres:postgres "$pg_dir"
  # Its programs look at their working folder: one the server's user may enter.
  (cd "$pg_dir" && runuser -u postgres -- "$bin/initdb" -D "$pg_dir/data" -U postgres \
     --auth=trust -E UTF8 --no-locale) >"$log" 2>&1 ||
    { echo "pgserver: initdb failed (log: $log)"; postgres_stop; return 0; }
  port=$(pg_free_port)
  (cd "$pg_dir" && exec runuser -u postgres -- "$bin/postgres" -D "$pg_dir/data" -k "$pg_dir" \
     -p "$port" -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off) >>"$log" 2>&1 &
  pg_pid=$!
  local i
  for i in $(seq 100); do
    "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres && break
    sleep 0.1
  done
  "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres ||
    { echo "pgserver: no answer (log: $log)"; postgres_stop; return 0; }
  export CORVEX_TEST_PGPORT=$port
}
