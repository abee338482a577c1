#!/usr/bin/env bash
# The file types as a desktop sees them: the MIME database built from our type definitions into a
# private XDG_DATA_HOME, then xdg-mime asked about sample files, by name and by content.
set -euo pipefail
source_dir=$1
for tool in update-mime-database xdg-mime mimetype; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_DATA_HOME=$tmp/share XDG_DATA_DIRS=/usr/share
unset XDG_CURRENT_DESKTOP KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID DESKTOP_SESSION
mkdir -p "$XDG_DATA_HOME/mime/packages" "$tmp/files"
cp "$source_dir/packaging/pelorin-mime.xml" "$XDG_DATA_HOME/mime/packages/pelorin.xml"
update-mime-database "$XDG_DATA_HOME/mime"

f=$tmp/files
cp "$source_dir/data/Modeles/Planche65.ETQ" "$f/Planche65.ETQ"
cp "$source_dir/data/Modeles/Avery4x2.ETQ" "$f/avery.etq"
cp "$source_dir/data/Modeles/Planche65.ETQ" "$f/planche-sans-extension"
printf '<?xml version="1.0" encoding="ISO-8859-1"?>\r\n<Page>\r\n<Format/></Page>\r\n' >"$f/page"
printf '<?xml version="1.0"?>\n<Configuration/>\n' >"$f/autre.xml"
printf '<?xml version="1.0"?>\n<Configuration><Page/></Configuration>\n' >"$f/autre-xml"
printf 'ScanCode\r\nB25012515LAV5930033906\r\n\r\n' >"$f/Lot12.SCB"
printf 'ScanCode\r\nB25012515LAV5930033906\r\n\r\n' >"$f/codes-sans-extension"
printf 'ScanCode\nB25012515LAV5930033906\n' >"$f/codes-lf"
printf 'Scan\r\nB25012515LAV5930033906\r\n' >"$f/autre-liste"

failures=0
expect() {
    local got
    got=$(xdg-mime query filetype "$f/$1")
    if [[ $got != "$2" ]]; then
        echo "FAIL: $1 is $got, expected $2"
        failures=$((failures + 1))
    else
        echo "ok: $1 is $got"
    fi
}
expect Planche65.ETQ application/x-pelorin-etq
expect avery.etq application/x-pelorin-etq
expect planche-sans-extension application/x-pelorin-etq
expect page application/x-pelorin-etq
expect autre.xml application/xml
expect autre-xml application/xml
expect Lot12.SCB text/x-pelorin-scb
expect codes-sans-extension text/x-pelorin-scb
expect codes-lf text/x-pelorin-scb
expect autre-liste text/plain

# the desktop entry offers the program for both types
grep -qx 'MimeType=application/x-pelorin-etq;text/x-pelorin-scb;' "$source_dir/packaging/pelorin.desktop" ||
    { echo "FAIL: the desktop entry does not name both types"; failures=$((failures + 1)); }
exit $((failures > 0))
