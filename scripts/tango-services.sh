#!/usr/bin/env bash
# A private Tango database for tests, benchmarks and trying the device server:
# a MariaDB server on a socket of its own and the Tango database server
# (DataBaseds) on top of it, both processes of this script, their PIDs kept in
# the run directory. No system service is touched.
#
#   scripts/tango-services.sh start   [run dir]   starts both, prints TANGO_HOST=host:port
#   scripts/tango-services.sh stop    [run dir]   stops both and waits until they are gone
#   scripts/tango-services.sh status  [run dir]   says what runs; exit 0 when both do
#   scripts/tango-services.sh env     [run dir]   prints the exports for a shell that uses them:
#                                                 eval "$(scripts/tango-services.sh env)"
#   scripts/tango-services.sh --help              prints this
#
# The run directory defaults to build/tango-services of the source tree; it
# holds the MariaDB data directory (made with mariadb-install-db when empty,
# the Tango schema loaded into the database `tango`), the socket, PID files and
# logs. VEK_TANGO_PORT chooses the database server's port (default 10000;
# 0 takes a free one). The Debian packages needed: mariadb-server, tango-db,
# tango-common (scripts/install-deps.sh --tango).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
command="${1:-}"
run="${2:-$root/build/tango-services}"
mysqld=/usr/sbin/mariadbd
databaseds=/usr/lib/tango/DataBaseds
schema=/usr/share/dbconfig-common/data/tango-db/install/mysql

die() { echo "tango-services: $*" >&2; exit 1; }

# A PID file's process, if it still runs and is the program named.
live_pid() {
  local file="$1" program="$2" pid
  [[ -f "$file" ]] || return 1
  pid="$(cat "$file" 2>/dev/null)"
  [[ "$pid" =~ ^[0-9]+$ ]] || return 1
  [[ -r "/proc/$pid/cmdline" ]] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- "$program" || return 1
  echo "$pid"
}

# Stops one process by its PID file and waits (up to 30 s, then SIGKILL)
# until it has exited: DataBaseds takes over a second to leave.
stop_one() {
  local file="$1" program="$2" name="$3" pid i
  if pid="$(live_pid "$file" "$program")"; then
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 300; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo "tango-services: $name ($pid) did not stop in 30 s; killing it" >&2
      kill -KILL "$pid" 2>/dev/null || true
      while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    fi
    echo "stopped $name ($pid)"
  fi
  rm -f "$file"
}

db_user() { if [[ $(id -u) -eq 0 ]]; then echo root; else id -un; fi; }

sql() { mariadb --no-defaults --socket="$run/mysqld.sock" --user="$(db_user)" "$@"; }

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("", 0)); print(s.getsockname()[1])'
}

start_mariadb() {
  if live_pid "$run/mysqld.pid" "$mysqld" >/dev/null; then return 0; fi
  local fresh=0 i
  mkdir -p "$run/data"
  if [[ -z "$(ls -A "$run/data")" ]]; then
    fresh=1
    mariadb-install-db --no-defaults --datadir="$run/data" --user="$(id -un)" --auth-root-authentication-method=socket \
      --skip-test-db >"$run/install-db.log" 2>&1 || { cat "$run/install-db.log" >&2; die "mariadb-install-db failed"; }
  fi
  # Socket only: no TCP port to collide with another server on this host.
  "$mysqld" --no-defaults --datadir="$run/data" --socket="$run/mysqld.sock" --pid-file="$run/mysqld.pid" \
    --skip-networking --user="$(id -un)" --log-error="$run/mysqld.log" --innodb-buffer-pool-size=32M \
    --performance-schema=OFF >/dev/null 2>&1 &
  echo $! >"$run/mysqld.pid"
  for ((i = 0; i < 300; i++)); do
    sql -e 'SELECT 1' >/dev/null 2>&1 && break
    live_pid "$run/mysqld.pid" "$mysqld" >/dev/null || { cat "$run/mysqld.log" >&2; die "MariaDB exited"; }
    sleep 0.1
  done
  sql -e 'SELECT 1' >/dev/null 2>&1 || { cat "$run/mysqld.log" >&2; die "MariaDB does not answer on $run/mysqld.sock"; }
  if [[ $fresh -eq 1 ]] || ! sql -e 'USE tango' >/dev/null 2>&1; then
    sql -e 'CREATE DATABASE IF NOT EXISTS tango'
    sql tango <"$schema" >"$run/schema.log" 2>&1 || { cat "$run/schema.log" >&2; die "loading the Tango schema failed"; }
  fi
  echo "MariaDB ($(cat "$run/mysqld.pid")) on $run/mysqld.sock"
}

start_databaseds() {
  if live_pid "$run/databaseds.pid" "$databaseds" >/dev/null; then return 0; fi
  local port="${VEK_TANGO_PORT:-10000}"
  [[ "$port" == 0 ]] && port="$(free_port)"
  echo "localhost:$port" >"$run/tango_host"
  # The database server takes its MariaDB account from the environment and
  # reads the client options, where the system's socket path stands; the
  # option file under MYSQL_HOME is read after the system's and names ours.
  printf '[client]\nsocket=%s\n' "$run/mysqld.sock" >"$run/my.cnf"
  MYSQL_USER="$(db_user)" MYSQL_HOST=localhost MYSQL_HOME="$run" TANGO_HOST="localhost:$port" \
    "$databaseds" 2 -ORBendPoint "giop:tcp::$port" >"$run/databaseds.log" 2>&1 &
  echo $! >"$run/databaseds.pid"
  local i
  for ((i = 0; i < 30; i++)); do
    TANGO_HOST="localhost:$port" tango_admin --ping-database 1 >/dev/null 2>&1 && break
    live_pid "$run/databaseds.pid" "$databaseds" >/dev/null || break
  done
  if ! TANGO_HOST="localhost:$port" tango_admin --ping-database >/dev/null 2>&1; then
    cat "$run/databaseds.log" >&2
    die "the Tango database server does not answer on localhost:$port"
  fi
  echo "DataBaseds ($(cat "$run/databaseds.pid")) on localhost:$port"
}

case "$command" in
  start)
    mkdir -p "$run"
    [[ -x "$mysqld" && -x "$databaseds" && -f "$schema" ]] ||
      die "MariaDB or the Tango database server is missing (scripts/install-deps.sh --tango)"
    start_mariadb
    start_databaseds
    echo "TANGO_HOST=$(cat "$run/tango_host")"
    ;;
  stop)
    stop_one "$run/databaseds.pid" "$databaseds" DataBaseds
    stop_one "$run/mysqld.pid" "$mysqld" MariaDB
    ;;
  status)
    up=0
    if pid="$(live_pid "$run/mysqld.pid" "$mysqld")"; then echo "MariaDB runs ($pid)"; up=$((up + 1)); else echo "MariaDB is not running"; fi
    if pid="$(live_pid "$run/databaseds.pid" "$databaseds")"; then
      echo "DataBaseds runs ($pid), TANGO_HOST=$(cat "$run/tango_host")"
      up=$((up + 1))
    else
      echo "DataBaseds is not running"
    fi
    [[ $up -eq 2 ]]
    ;;
  env)
    # What a shell needs to reach the database and to run the server and
    # clients from this tree; a comment (harmless to eval) when it is down.
    if live_pid "$run/databaseds.pid" "$databaseds" >/dev/null && [[ -f "$run/tango_host" ]]; then
      echo "export TANGO_HOST=$(cat "$run/tango_host")"
    else
      echo "# no Tango database runs in $run: start one with $0 start${2:+ $run}"
    fi
    [[ -f "$root/build/libvekkestra.so" ]] && echo "export VEKKESTRA_LIBRARY=$root/build/libvekkestra.so"
    echo "export PYTHONPATH=$root/bindings/python:$root/tango\${PYTHONPATH:+:\$PYTHONPATH}"
    ;;
  -h | --help | help)
    sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//'
    ;;
  *)
    echo "usage: $0 start|stop|status|env [run dir]; $0 --help says more" >&2
    exit 2
    ;;
esac
