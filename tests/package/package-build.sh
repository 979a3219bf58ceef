#!/usr/bin/env bash
# Makes the Debian package from this build tree as the deb target does, into a
# folder of the tests' own, and checks that it is the one package the README
# tells users to install: seqget_<file version>_<Debian architecture>.deb.
#
#   package-build.sh <CPackConfig.cmake> <file version> <output folder>
#
# Exit 0 made, 1 failed, 77 skipped (a tool is missing). The folder is emptied
# first, so the tests after this one never see an old package.
set -euo pipefail

config="${1:-}"
version="${2:-}"
out="${3:-}"
if [ ! -f "$config" ] || [ -z "$version" ] || [ -z "$out" ]; then
    echo "usage: $0 <CPackConfig.cmake> <file version> <output folder>" >&2
    exit 2
fi
rm -rf "$out"
mkdir -p "$out"

# CPack reads the binary's libraries with file and dpkg-shlibdeps.
for tool in cpack file dpkg-shlibdeps dpkg-deb; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
        exit 77
    fi
done

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$config" -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    fail "cpack did not make the package"
}

arch="$(dpkg --print-architecture)"
expected="seqget_${version}_${arch}.deb"
made=()
for deb in "$out"/*.deb; do
    if [ -e "$deb" ]; then
        made+=("$(basename "$deb")")
    fi
done
[ "${#made[@]}" -eq 1 ] || fail "expected one package, cpack made: ${made[*]:-none}"
[ "${made[0]}" = "$expected" ] || fail "the package is ${made[0]}, not $expected"

# The name is only what CPack wrote; the control fields are what dpkg and apt go by.
deb="$out/$expected"
for field in "Package=seqget" "Version=$version" "Architecture=$arch"; do
    value="$(dpkg-deb -f "$deb" "${field%%=*}")"
    [ "$value" = "${field#*=}" ] || fail "${field%%=*} is '$value', not '${field#*=}'"
done
echo "made $expected"
exit 0
