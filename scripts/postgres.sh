#!/usr/bin/env bash
# A private PostgreSQL server for the journal tests, in a folder of its own:
#   postgres.sh start DIR   initdb in DIR/data when needed (as an unprivileged user when run as root),
#                           starts the server on a Unix socket in DIR only (no TCP), and prints the
#                           environment the tests read (PGSERVICEFILE, PELORIN_TEST_PGSERVICE, ...)
#   postgres.sh stop DIR    stops it (fast shutdown)
set -euo pipefail
cmd="${1:?start|stop}"
dir="${2:?folder}"
port="${PELORIN_TEST_PGPORT:-54329}"
# the tests' French locale may not be generated on this machine: the server needs none
export LC_ALL=C LANG=C

bin=""
for d in /usr/lib/postgresql/*/bin; do
    [ -x "$d/initdb" ] && bin="$d"
done
if [ -z "$bin" ]; then
    echo "postgres.sh: initdb not found (Debian package postgresql)" >&2
    exit 1
fi

# initdb and the server refuse to run as root
pguser="$(id -un)"
if [ "$(id -u)" -eq 0 ]; then
    pguser=postgres
    if ! id "$pguser" >/dev/null 2>&1; then
        pguser=pelorin-pg
        id "$pguser" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$pguser"
    fi
fi
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u "$pguser" -- "$@"
    else
        "$@"
    fi
}

case "$cmd" in
start)
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown "$pguser" "$dir"
    chmod 700 "$dir"
    if [ ! -f "$dir/data/PG_VERSION" ]; then
        as_user "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C --no-sync >"$dir/initdb.log" 2>&1 || {
            cat "$dir/initdb.log" >&2
            exit 1
        }
    fi
    as_user "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1 ||
        as_user "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-k $dir -p $port -c listen_addresses='' -c max_connections=200" start >/dev/null || {
        cat "$dir/server.log" >&2
        exit 1
    }
    cat >"$dir/pg_service.conf" <<CONF
[pelorin_test]
host=$dir
port=$port
user=postgres
dbname=postgres
CONF
    chmod 644 "$dir/pg_service.conf"
    echo "export PGSERVICEFILE='$dir/pg_service.conf' PELORIN_TEST_PGSERVICE=pelorin_test PELORIN_TEST_PGDIR='$dir'"
    ;;
stop)
    [ -f "$dir/data/postmaster.pid" ] || exit 0
    as_user "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 30 stop >/dev/null
    ;;
*)
    echo "postgres.sh: start or stop" >&2
    exit 2
    ;;
esac
