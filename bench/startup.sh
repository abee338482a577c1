#!/usr/bin/env bash
# The program's start against the floor, side by side in one run: instructions executed (valgrind's
# callgrind, which counts the dynamic loader too and repeats to the instruction whatever else the
# machine does) and wall time (the median of RUNS runs).
#
#   `pelorin code`              against a bare QCoreApplication printing a code       (goal <= 1.5x)
#   `pelorin render -o X.pdf`   against a minimal Qt program writing the same page    (goal <= 1.2x)
#   `pelorin check --dpi 300`   against `pelorin code`                                 (goal <= 1.2x)
#   `pelorin check --printer P` against `pelorin code`, when a print server has a printer (goal <= 1.2x)
#
#   bench/startup.sh [BUILD_DIR]      (default: build; RUNS=15 by default)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
runs="${RUNS:-15}"
pelorin="$build/bin/pelorin"
for tool in valgrind awk; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# a data folder of its own, as the build lays it beside the program
cp -r "$build/bin/Config" "$build/bin/Modeles" "$build/bin/logos" "$work/"
export HOME="$work/home"
mkdir -p "$HOME"
code="$("$pelorin" code --data "$work")"

# (a check that grades a barcode below B exits 3: a whole result, measured as any other)
instructions() {
    { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null || true; } |
        awk '/Collected :/ { print $NF }'
}
# milliseconds, the median of the runs
milliseconds() {
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || true
        end=$(date +%s%N)
        echo $(((end - start) / 1000))
    done | sort -n | awk '{ t[NR] = $1 } END { printf "%.2f", t[int((NR + 1) / 2)] / 1000 }'
}

rows=()
measure() { # NAME COMMAND...
    local name=$1
    shift
    local ir ms
    ir=$(instructions "$@")
    ms=$(milliseconds "$@")
    rows+=("$name|$ir|$ms")
    eval "ir_${name//[^a-z_]/_}=$ir ms_${name//[^a-z_]/_}=$ms"
}

measure floor_code "$build/bin/bench_minimal_code"
measure code "$pelorin" code --data "$work"
measure floor_pdf "$build/bin/bench_minimal_pdf" "$work/floor.pdf" "$work/logos/Anzin.bmp" "$code"
measure render "$pelorin" render --data "$work" --model Planche65.ETQ -o "$work/page.pdf"
measure check_dpi "$pelorin" check --data "$work" --model Planche65.ETQ --dpi 300
printer=""
if command -v lpstat >/dev/null && lpstat -r 2>/dev/null | grep -qv "not running"; then
    printer=$(lpstat -d 2>/dev/null | awk -F': ' '/destination/ { print $2 }')
fi
if [ -n "$printer" ]; then
    measure check_printer "$pelorin" check --data "$work" --model Planche65.ETQ --printer "$printer"
fi

printf '%-15s %15s %10s\n' what instructions "ms"
for r in "${rows[@]}"; do
    IFS='|' read -r name ir ms <<<"$r"
    printf '%-15s %15s %10s\n' "$name" "$ir" "$ms"
done
echo
ratio() { # LABEL NUMERATOR DENOMINATOR GOAL
    awk -v l="$1" -v a="$2" -v b="$3" -v g="$4" -v ma="$5" -v mb="$6" 'BEGIN {
        r = a / b
        printf "%-34s %5.2fx instructions, %5.2fx time (goal <= %.1fx) %s\n", l, r, ma / mb, g, r <= g ? "ok" : "MISSED"
    }'
}
ratio "code / bare QCoreApplication" "$ir_code" "$ir_floor_code" 1.5 "$ms_code" "$ms_floor_code"
ratio "render / minimal QPdfWriter" "$ir_render" "$ir_floor_pdf" 1.2 "$ms_render" "$ms_floor_pdf"
ratio "check --dpi / code" "$ir_check_dpi" "$ir_code" 1.2 "$ms_check_dpi" "$ms_code"
if [ -n "$printer" ]; then
    ratio "check --printer $printer / code" "$ir_check_printer" "$ir_code" 1.2 "$ms_check_printer" "$ms_code"
fi
