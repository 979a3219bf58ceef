#!/usr/bin/env bash
# Checks the Debian package that package-build.sh made, as Debian and a
# software centre would, and holds its parts against each other:
#   - lintian reports no error (every tag is printed);
#   - appstreamcli validate --no-net passes on its metainfo file;
#   - desktop-file-validate passes on its desktop entry;
#   - the metainfo's launchable is the installed desktop entry, whose program
#     is installed and whose icon is in the hicolor theme;
#   - Depends names the package of every library the program links, and each
#     package it names is one Debian has.
#
#   package-lint.sh <folder holding the package>
#
# Exit 0 passed, 1 failed, 77 skipped (a tool is missing, or package_build was
# skipped and left no package).
set -euo pipefail

dir="${1:-}"
[ -d "$dir" ] || { echo "usage: $0 <folder holding the package>" >&2; exit 2; }

for tool in lintian appstreamcli desktop-file-validate dpkg-deb objdump ldd apt-cache; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
        exit 77
    fi
done
debs=("$dir"/seqget_*.deb)
if [ ! -f "${debs[0]}" ]; then
    echo "SKIP: no package in $dir (package_build was skipped)"
    exit 77
fi
deb="${debs[0]}"

work="$(mktemp -d "${TMPDIR:-/tmp}/seqget-package-lint.XXXXXX")"
trap 'rm -rf "$work"' EXIT

problems=0
problem() {
    echo "FAIL: $*" >&2
    problems=$((problems + 1))
}

# --- lintian ---------------------------------------------------------------

# Warnings and notes are shown, not failed on: they are advice, and Debian's
# own archive accepts packages that carry some.
status=0
lintian --info --display-info --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.log" | grep '^[EWI]:' || true
[ "$status" -eq 0 ] || { cat "$work/lintian.log" >&2; problem "lintian reports errors"; }

# --- the files inside ------------------------------------------------------

root="$work/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb cannot unpack $deb" >&2; exit 1; }

metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
if [ "${#metainfo[@]}" -ne 1 ] || [ ! -f "${metainfo[0]}" ]; then
    problem "expected one metainfo file in usr/share/metainfo"
else
    appstreamcli validate --no-net "${metainfo[0]}" || problem "appstreamcli rejects ${metainfo[0]##*/}"
    # The desktop entry the software centre starts.
    launchable="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "${metainfo[0]}")"
    desktop="$root/usr/share/applications/$launchable"
    if [ -z "$launchable" ] || [ ! -f "$desktop" ]; then
        problem "the metainfo's launchable '$launchable' is not an installed desktop entry"
    else
        desktop-file-validate "$desktop" || problem "desktop-file-validate rejects $launchable"
        program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
        [ -n "$program" ] && [ -x "$root/usr/bin/$program" ] ||
            problem "the desktop entry starts '$program', which is not in usr/bin"
        icon="$(sed -n 's/^Icon=//p' "$desktop")"
        # 48 px is the size menus and software centres fall back on.
        [ -n "$icon" ] && [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ] ||
            problem "the desktop entry's icon '$icon' has no 48x48 picture in the hicolor theme"
    fi
fi

# --- dependencies ----------------------------------------------------------

depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
# The package names alone, one a line, alternatives included.
depends_names="$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/[[:space:]]//g; /^$/d')"

# Each library the program links, as the dynamic linker finds it here, and
# the Debian package that ships it; Depends must name that package.
binary="$root/usr/bin/seqget"
while read -r soname; do
    # ldd names the dynamic loader by its path alone, the others by soname => path.
    path="$(ldd "$binary" | awk -v lib="$soname" '$1 == lib { print $3 }
        substr($1, length($1) - length(lib)) == "/" lib { print $1 }')"
    if [ -z "$path" ] || [ ! -e "$path" ]; then
        problem "the program links $soname, which is not found on this system"
        continue
    fi
    # dpkg records a library under /lib or /usr/lib, whichever its package used.
    owner="$(dpkg -S "$path" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null ||
        dpkg -S "/usr$path" 2>/dev/null || true)"
    owner="${owner%%:*}"
    if [ -z "$owner" ]; then
        problem "$soname ($path) belongs to no Debian package"
    elif ! grep -qx "$owner" <<<"$depends_names"; then
        problem "the program links $soname from $owner, which Depends does not name"
    fi
done < <(objdump -p "$binary" | awk '$1 == "NEEDED" { print $2 }')

# A misspelt name would make the package uninstallable. That takes apt's
# package lists, which a machine may have cleaned away.
if compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
    while read -r name; do
        apt-cache show "$name" >/dev/null 2>&1 || problem "Depends names '$name', which Debian does not have"
    done <<<"$depends_names"
else
    echo "note: apt has no package lists here, so the names in Depends were not looked up"
fi

if [ "$problems" -ne 0 ]; then
    echo "FAIL: $problems check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
exit 0
