#!/usr/bin/env bash
# Installs the missing Debian packages, then configures and builds into build/.
# Run by run.sh and test.sh; a second run installs nothing and rebuilds only what changed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

wanted=$(grep -v '^\s*#' "$root/debian-packages.txt" | grep -v '^\s*$' | tr '\n' ' ')
missing=""
for p in $wanted; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo_cmd apt-get update -qq
    # cups starts its service on install where it can; we start it ourselves in the tests
    $sudo_cmd apt-get install -y -qq --no-install-recommends $missing
fi

# PELORIN_BUILD_DIR and PELORIN_CMAKE_ARGS choose another build (the sanitized one of CI)
build="${PELORIN_BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
    # shellcheck disable=SC2086
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PELORIN_CMAKE_ARGS:-}
fi
cmake --build "$build" -j "$(nproc)"
