#!/usr/bin/env bash
# Installs what is missing, builds, starts a CUPS PDF printer for the print tests, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
# shellcheck source=scripts/printer.sh
. "$root/scripts/printer.sh"
printer_start || echo "CUPS could not be started: the print tests will be skipped"

# a private PostgreSQL server for the journal tests, stopped at the end whatever happens;
# without it their PostgreSQL cases are skipped
pg_dir="$(mktemp -d /tmp/pelorin-pg.XXXXXX)"
postgres_stop() {
    "$root/scripts/postgres.sh" stop "$pg_dir" >/dev/null 2>&1 || true
    rm -rf "$pg_dir"
}
if pg_env="$("$root/scripts/postgres.sh" start "$pg_dir")"; then
    eval "$pg_env"
else
    echo "PostgreSQL could not be started: the PostgreSQL journal tests will be skipped"
fi
trap 'printer_stop; postgres_stop' EXIT

cd "${PELORIN_BUILD_DIR:-$root/build}"
ctest --output-on-failure -j "$(nproc)" "$@"
