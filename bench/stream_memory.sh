#!/usr/bin/env bash
# Peak memory (maximum resident set size) of the listings that stream: `pelorin journal --format
# json|csv|tsv` over a journal of N entries, and `pelorin decode -` over N lines of standard input.
# Flat figures from one size to the next mean nothing grows with the rows.
#
#   bench/stream_memory.sh [PELORIN] [N...]      (default: build/bin/pelorin, 100000 1000000)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pelorin="${1:-$root/build/bin/pelorin}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100000 1000000)
export QT_QPA_PLATFORM=offscreen

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# kilobytes of the command's peak resident set; its output goes nowhere. Status 3 (a code with a
# field the lists do not name) is a whole result too.
peak() {
    local status=0
    /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>"$work/err" || status=$?
    if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
        cat "$work/err" >&2
        return 1
    fi
    tail -n 1 "$work/rss"
}

codes() {
    # distinct whole codes of a real shape, one a line
    awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) printf "B25012515LAV%05d%03d06\n", i % 100000, 1 + i % 365 }'
}

printf '%-10s %14s %14s %14s %14s\n' rows "json (KB)" "csv (KB)" "tsv (KB)" "decode - (KB)"
for n in "${sizes[@]}"; do
    data="$work/data-$n"
    mkdir -p "$data/Config"
    cp "$root/tests/fixtures/scan/cfg.xml" "$data/Config/cfg.xml"
    # the schema as the program makes it, then the rows straight into the file
    "$pelorin" journal --data "$data" --check >/dev/null
    db="$data/Journal/journal.sqlite"
    columns=$(sqlite3 "$db" "SELECT group_concat(name, '|') FROM pragma_table_info('journal_entry') WHERE name NOT IN ('seq')")
    values=$(sqlite3 "$db" "SELECT group_concat(CASE name
        WHEN 'at' THEN 'strftime(''%Y-%m-%dT%H:%M:%S.000Z'', 1700000000 + i, ''unixepoch'')'
        WHEN 'kind' THEN 'CASE WHEN i % 2 THEN ''scan'' ELSE ''print'' END'
        WHEN 'code' THEN 'printf(''B25012515LAV%05d%03d06'', i % 100000, 1 + i % 365)'
        WHEN 'id' THEN 'printf(''00000000-0000-4000-8000-%012d'', i)'
        WHEN 'production_date' THEN '''2006-12-05'''
        ELSE 'DEFAULT_' END, '|') FROM pragma_table_info('journal_entry') WHERE name NOT IN ('seq')")
    # the columns with a default take it: drop them from both lists
    sel=""; cols=""
    IFS='|' read -ra cs <<<"$columns"
    IFS='|' read -ra vs <<<"$values"
    for k in "${!cs[@]}"; do
        [ "${vs[$k]}" = DEFAULT_ ] && continue
        cols="$cols${cols:+,}${cs[$k]}"
        sel="$sel${sel:+,}${vs[$k]}"
    done
    sqlite3 "$db" "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;
        WITH RECURSIVE r(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM r WHERE i + 1 < $n)
        INSERT INTO journal_entry ($cols) SELECT $sel FROM r;" >/dev/null
    json=$(peak "$pelorin" journal --data "$data" --format json)
    csv=$(peak "$pelorin" journal --data "$data" --format csv)
    tsv=$(peak "$pelorin" journal --data "$data" --format tsv)
    codes "$n" >"$work/codes"
    decode=$(peak sh -c "\"$pelorin\" decode --data \"$data\" - <\"$work/codes\"")
    printf '%-10s %14s %14s %14s %14s\n' "$n" "$json" "$csv" "$tsv" "$decode"
    rm -rf "$data" "$work/codes"
done
