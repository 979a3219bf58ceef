#!/usr/bin/env bash
# Installs what is missing, builds the program and makes its Debian package
# in build/ (or $SEQGET_BUILD_DIR), and prints the package's path.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${SEQGET_BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh" package
SEQGET_BUILD_DIR="$build" "$root/scripts/build.sh" deb >/dev/null
# The name CPack gives it: seqget_<version>_<Debian architecture>.deb.
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
deb="$build/seqget_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "package.sh: $deb was not made" >&2; exit 1; }
echo "$deb"
