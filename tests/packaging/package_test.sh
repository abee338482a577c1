#!/usr/bin/env bash
# The Debian package as a user receives it: built with cpack from this build tree, its file list and
# control fields checked, its desktop files validated, unpacked into a temporary root and run from
# there (version, a page rendered to PDF and its barcodes read back), then judged by lintian.
set -euo pipefail
build_dir=$1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps readelf desktop-file-validate appstreamcli lintian zbarimg pdftoppm; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$tmp/out/pelorin_${version}_amd64.deb
[[ -f $deb ]] || fail "no $(basename "$deb") in: $(ls "$tmp/out")"

# control fields: dependencies computed from the binary, plus the fonts loaded by name
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for d in libqt6widgets6 libqt6printsupport6 libzint2.11 libpugixml1v5 libc6 fonts-liberation2 libqt6sql6-sqlite; do
    [[ $depends == *"$d"* ]] || fail "Depends lacks $d"
done
# the shared journal's driver, installed unless the administrator says otherwise
[[ $(dpkg-deb -f "$deb" Recommends) == *libqt6sql6-psql* ]] || fail "Recommends lacks libqt6sql6-psql"
[[ $(dpkg-deb -f "$deb" Section) == misc ]] || fail "Section"
[[ $(dpkg-deb -f "$deb" Maintainer) == *@* ]] || fail "Maintainer"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "Version"

# the file list: every file we install, and nothing outside /usr
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$tmp/files"
for f in /usr/bin/pelorin \
    /usr/share/pelorin/Config/cfg.xml /usr/share/pelorin/Modeles/Planche65.ETQ /usr/share/pelorin/Modeles/Avery4x2.ETQ \
    /usr/share/pelorin/logos/Anzin.bmp /usr/share/pelorin/Help/Pelorin.htm /usr/share/pelorin/journal-setup.sql \
    /usr/share/applications/pelorin.desktop /usr/share/metainfo/org.pelorin.Pelorin.metainfo.xml \
    /usr/share/mime/packages/pelorin.xml \
    /usr/share/icons/hicolor/scalable/apps/pelorin.svg /usr/share/icons/hicolor/48x48/apps/pelorin.png \
    /usr/share/icons/hicolor/256x256/apps/pelorin.png \
    /usr/share/icons/hicolor/scalable/mimetypes/application-x-pelorin-etq.svg \
    /usr/share/icons/hicolor/scalable/mimetypes/text-x-pelorin-scb.svg \
    /usr/share/icons/hicolor/48x48/mimetypes/application-x-pelorin-etq.png \
    /usr/share/icons/hicolor/48x48/mimetypes/text-x-pelorin-scb.png \
    /usr/share/man/man1/pelorin.1.gz /usr/share/bash-completion/completions/pelorin \
    /usr/share/doc/pelorin/copyright /usr/share/doc/pelorin/changelog.gz; do
    grep -qx "$f" "$tmp/files" || fail "$f is not in the package"
done
if grep -v '^/usr' "$tmp/files" | grep -v '^/$'; then fail "files outside /usr"; fi
if grep -Ei 'test|gtest|bench' "$tmp/files"; then fail "test files in the package"; fi

root=$tmp/root
dpkg-deb -x "$deb" "$root"
# the program and its two private libraries, which it loads when a window or a drawing is asked for
elves=("$root/usr/bin/pelorin" "$root/usr/lib/pelorin/libpelorin-gui.so" "$root/usr/lib/pelorin/libpelorin-draw.so")
for elf in "${elves[@]}"; do
    [[ -f $elf ]] || fail "${elf#"$root"} is not in the package"
    file "$elf" | grep -q ', stripped' || fail "${elf#"$root"} is not stripped"
done
# Debian's hardening: relocations read-only and bound at start-up, fortified functions (grep reads
# all of readelf's output: with -q it would stop at the first match, and pipefail would take readelf's
# broken pipe for a failure). A sanitized or fuzzing build is built without them, on purpose.
if grep -Eq '^PELORIN_(SANITIZE|FUZZ):BOOL=ON' "$build_dir/CMakeCache.txt" ||
    ! grep -q '^PELORIN_HARDENING:BOOL=ON' "$build_dir/CMakeCache.txt"; then
    echo "hardening not checked: this build is made without Debian's hardening flags"
else
    for elf in "${elves[@]}"; do
        readelf -lW "$elf" | grep GNU_RELRO >/dev/null || fail "${elf#"$root"} is not linked with relro"
        readelf -dW "$elf" | grep -E 'BIND_NOW|FLAGS_1.*NOW' >/dev/null || fail "${elf#"$root"} is not linked with bindnow"
    done
    readelf --dyn-syms -W "$root/usr/bin/pelorin" | grep -E '__[a-z_]+_chk' >/dev/null ||
        fail "the program uses no fortified function"
fi
desktop-file-validate "$root/usr/share/applications/pelorin.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.pelorin.Pelorin.metainfo.xml" || fail "appstreamcli validate"
# the man page formats without a warning
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/pelorin.1.gz" 2>&1 >/dev/null)
[[ -z $man_warnings ]] || fail "man page: $man_warnings"

# the unpacked program runs without a display and seeds the user's data folder from its own copy
home=$tmp/home
mkdir -p "$home"
# the sample pages write their millimetres with a decimal comma, as a French desktop reads them
run() { env -i PATH=/usr/bin:/bin HOME="$home" LANG=fr_FR.UTF-8 "$root/usr/bin/pelorin" "$@"; }
[[ $(run --version) == "pelorin $version" ]] || fail "--version said: $(run --version)"
[[ $(run -V) == "pelorin $version" ]] || fail "-V"
# fitted for 600 dpi: the sheet's 33 mm boxes hold no barcode at 300 dpi, where a module of whole dots
# is too thin
run render --model Planche65.ETQ --code B25012515LAV5930033906 --unmark "$(seq -s, 2 65)" --dpi 600 -o "$tmp/page.pdf" ||
    fail "render"
[[ -f $home/.local/share/pelorin/Config/cfg.xml ]] || fail "the user's data folder was not seeded"
# the guide and the pages are read where they are installed: an upgrade reaches every user
[[ ! -e $home/.local/share/pelorin/Modeles && ! -e $home/.local/share/pelorin/Help ]] ||
    fail "the pages or the guide were copied into the user's folder"
# the superuser's setup script, printed by the program and installed, is one text
run journal --setup-sql | cmp -s - "$root/usr/share/pelorin/journal-setup.sql" || fail "journal --setup-sql"
pdftoppm -r 300 -png -singlefile "$tmp/page.pdf" "$tmp/page"
codes=$(zbarimg --quiet --raw --nodbus "$tmp/page.png")
[[ $codes == B25012515LAV5930033906 ]] || fail "the page's barcode reads '$codes'"

# every option that a command's --help lists is in the man page and offered by the completion
man_text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$root/usr/share/man/man1/pelorin.1.gz" 2>/dev/null | col -b)
completion_text=$(cat "$root/usr/share/bash-completion/completions/pelorin")
for command in "" code render print check decode scan journal calibrate; do
    # shellcheck disable=SC2086
    for option in $(run $command --help | grep -oE '^ +(-[A-Za-z], )?--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+'); do
        grep -qF -- "$option" <<<"$man_text" || fail "the man page lacks ${command:-pelorin} $option"
        grep -qF -- "$option" <<<"$completion_text" || fail "the completion lacks ${command:-pelorin} $option"
    done
done

# the completion offers the names of the installed lists, as the unpacked program reads them
completion=$(bash -c '
    . /usr/share/bash-completion/bash_completion 2>/dev/null || exit 77
    . "$1/usr/share/bash-completion/completions/pelorin"
    COMP_WORDS=("$1/usr/bin/pelorin" code --data "$1/usr/share/pelorin" --place ""); COMP_CWORD=5
    COMP_LINE="${COMP_WORDS[*]}"; COMP_POINT=${#COMP_LINE}
    _pelorin; printf "%s\n" "${COMPREPLY[@]}"' _ "$root") || true
if [[ -n $completion ]]; then
    grep -qx 'Saint-Étienne' <<<"$completion" || fail "completion of --place: $completion"
fi

# lintian: no error (warnings are reported, not fatal)
lintian --allow-root --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 || true
cat "$tmp/lintian.log"
if grep -q '^E:' "$tmp/lintian.log"; then fail "lintian reports errors"; fi
echo "package ok: $(basename "$deb")"
