#!/usr/bin/env bash
# Installs what is missing, builds, starts a CUPS PDF printer for the print tests, and runs every test.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
# shellcheck source=scripts/printer.sh
. "$root/scripts/printer.sh"
printer_start || echo "CUPS could not be started: the print tests will be skipped"
trap printer_stop EXIT

cd "$root/build"
ctest --output-on-failure -j "$(nproc)" "$@"
