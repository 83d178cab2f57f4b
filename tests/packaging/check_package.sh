#!/usr/bin/env bash
# Builds the .deb from a configured build tree (or takes TREMVUE_DEB, a package built already),
# unpacks it into a scratch root and checks that the menu entry, icons, manual pages and
# programs are where they belong, and that the computed dependencies name Qt 6 and libmseed;
# then lintian, desktop-file-validate and appstreamcli must have nothing to report.
#   check_package.sh BUILD_DIR [CPACK]
# Exits 77 when the packaging tools are missing.
set -uo pipefail

build_dir="${1:?build directory}"
cpack="${2:-cpack}"
source "$(dirname "$0")/../../scripts/lib/common.sh"
# Debian's own checks are part of the test, so they are installed rather than skipped.
ensure_packages lintian desktop-file-utils appstream >/dev/null ||
    { echo "FAIL: cannot install lintian, desktop-file-utils and appstream"; exit 1; }

# cpack finds the ELF files for dpkg-shlibdeps with file(1).
for tool in dpkg-deb dpkg-shlibdeps file "$cpack"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tremvue-package-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

deb="${TREMVUE_DEB:-}"
if [ -z "$deb" ]; then
    # gzip keeps the test quick; the release package from scripts/package uses xz.
    if ! "$cpack" --config "$build_dir/CPackConfig.cmake" -B "$work/out" \
        -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        echo "FAIL: cpack did not build the package"
        exit 1
    fi
    deb="$(find "$work/out" -maxdepth 1 -name 'tremvue_*.deb' | head -n 1)"
fi
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "FAIL: no package to check"
    exit 1
fi
echo "checking $deb"

# The control fields themselves are lintian's to judge, below.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
grep -Eq '(^|[ ,])libqt6widgets6' <<<"$depends" || fail "Depends lacks libqt6widgets6"
grep -Eq '(^|[ ,])libmseed' <<<"$depends" || fail "Depends names no libmseed package"
grep -Eq '(^|[ ,])qt6-qpa-plugins' <<<"$depends" || fail "Depends lacks the platform plugins"

root="$work/root"
mkdir -p "$root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
usr="$root/usr"

for program in tremvue tremvue-inspect tremvue-capture pksd-sim; do
    [ -x "$usr/bin/$program" ] || fail "usr/bin/$program missing or not executable"
done

# A desktop key's value, from the [Desktop Entry] group.
desktop_key() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$1"'=//p}' "$2" | head -n 1
}
entry="$usr/share/applications/tremvue.desktop"
if [ ! -f "$entry" ]; then
    fail "usr/share/applications/tremvue.desktop missing"
else
    [ "$(desktop_key Type "$entry")" = Application ] || fail "desktop entry Type"
    [ "$(desktop_key Name "$entry")" = Tremvue ] || fail "desktop entry Name"
    categories="$(desktop_key Categories "$entry")"
    grep -Eq '(^|;)(Science|Education|Utility);' <<<"$categories" ||
        fail "desktop entry Categories '$categories'"
    exec_line="$(desktop_key Exec "$entry")"
    exec_program="${exec_line%% *}"
    case "$exec_program" in
        /*) [ -x "$root$exec_program" ] || fail "Exec $exec_program is not installed" ;;
        *) [ -x "$usr/bin/$exec_program" ] || fail "Exec $exec_program is not in usr/bin" ;;
    esac
    icon="$(desktop_key Icon "$entry")"
    [ -n "$icon" ] || fail "desktop entry has no Icon"
    # Width and height from a PNG's IHDR chunk.
    png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
    for size in 32 64; do
        png="$usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
        if [ ! -f "$png" ]; then
            fail "icon $icon.png missing at ${size}x${size}"
        elif [ "$(png_size "$png")" != "${size}x${size}" ]; then
            fail "icon at ${size}x${size} is $(png_size "$png")"
        fi
    done
    [ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "scalable icon missing"
fi

for page in tremvue tremvue-inspect tremvue-capture pksd-sim; do
    file="$(find "$usr/share/man/man1" -name "$page.1" -o -name "$page.1.gz" 2>/dev/null | head -n 1)"
    if [ -z "$file" ]; then
        fail "manual page $page.1 missing"
        continue
    fi
    text="$(zcat -f "$file")"
    grep -q '^\.TH ' <<<"$text" || fail "$page.1 has no .TH line"
    if command -v groff >/dev/null 2>&1; then
        warnings="$(groff -man -Tutf8 -ww -z <<<"$text" 2>&1)"
        [ -z "$warnings" ] || fail "$page.1: $warnings"
    fi
    # Every long option the program lists in its help must be in its page.
    if [ "$page" != tremvue ] && [ -x "$usr/bin/$page" ]; then
        help="$(QT_QPA_PLATFORM=offscreen "$usr/bin/$page" --help 2>&1)" ||
            fail "$page --help failed"
        for option in $(grep -oE -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
            grep -qF -- "${option//-/\\-}" <<<"$text" || grep -qF -- "$option" <<<"$text" ||
                fail "$page.1 does not describe $option"
        done
    fi
done

# The archive's user service starts a program the package installs.
unit="$usr/lib/systemd/user/tremvue-archive.service"
if [ ! -f "$unit" ]; then
    fail "usr/lib/systemd/user/tremvue-archive.service missing"
else
    exec_start="$(sed -n 's/^ExecStart=//p' "$unit")"
    [ -x "$root${exec_start%% *}" ] || fail "the archive service starts ${exec_start%% *}, not installed"
fi

[ -f "$usr/share/doc/tremvue/copyright" ] || fail "usr/share/doc/tremvue/copyright missing"

# Debian's, freedesktop's and AppStream's checks, each with nothing to report.
lint="$(lintian --no-cfg --allow-root --fail-on none "$deb" 2>&1)"
[ -z "$lint" ] || fail "lintian: $lint"
[ -f "$entry" ] && { found="$(desktop-file-validate "$entry" 2>&1)"; [ -z "$found" ]; } ||
    fail "desktop-file-validate: ${found:-no entry}"
metainfo="$(find "$usr/share/metainfo" -name '*.metainfo.xml' 2>/dev/null | head -n 1)"
if [ -z "$metainfo" ]; then
    fail "no AppStream metadata under usr/share/metainfo"
else
    found="$(appstreamcli validate --no-net "$metainfo" 2>&1)" ||
        fail "appstreamcli validate: $found"
    grep -q '^✔ Validation was successful.$' <<<"$found" && [ "$(wc -l <<<"$found")" -eq 1 ] ||
        fail "appstreamcli reports: $found"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package layout ok"
