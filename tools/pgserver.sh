# Sourced by session.sh: a PostgreSQL server of the session's own for the
# grid's row-lock tests. Its data folder lives under the build folder, it
# listens on loopback only (its socket in the data folder, never the
# system's), and it stops with the session. The tests find it through
# CORVEX_TEST_PGPORT; without that variable they fail.

session_postgres() {
  local bin
  bin=$(find /usr/lib/postgresql -mindepth 2 -maxdepth 2 -name bin 2>/dev/null | sort -V | tail -n1)
  [ -x "$bin/postgres" ] && id postgres >/dev/null 2>&1 || return 0
  local dir="$build/pgdata" port=55432 log="$build/pgserver.log"
  # The server refuses to run as root: the folder belongs to its own user.
  if [ ! -s "$dir/PG_VERSION" ]; then
    rm -rf "$dir"
    install -d -o postgres -g postgres -m 700 "$dir"
    runuser -u postgres -- "$bin/initdb" -D "$dir" -U postgres --auth=trust -E UTF8 --no-locale \
      >"$log" 2>&1 || { echo "pgserver: initdb failed (log: $log)"; return 0; }
  fi
  runuser -u postgres -- "$bin/postgres" -D "$dir" -k "$dir" -p "$port" \
    -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off >>"$log" 2>&1 &
  session_pids+=($!)
  local i
  for i in $(seq 100); do
    "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres && break
    sleep 0.1
  done
  "$bin/pg_isready" -q -h 127.0.0.1 -p "$port" -U postgres -d postgres || { echo "pgserver: no answer (log: $log)"; return 0; }
  export CORVEX_TEST_PGPORT=$port
}
