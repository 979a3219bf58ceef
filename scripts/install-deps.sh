#!/usr/bin/env bash
# Installs the Debian 12 packages that one use of the source tree needs, only
# those that are missing, so a second run costs nothing.
#   scripts/install-deps.sh [run]   building Seqget and running it (run.sh)
#   scripts/install-deps.sh package that, and making the Debian package
#   scripts/install-deps.sh fuzz    that, and clang with libFuzzer and the sanitizers' runtime
#   scripts/install-deps.sh test    all of it, and everything the tests need (test.sh)
set -euo pipefail
purpose="${1:-run}"

# Building and running: compiler, Qt, libcurl, the X11 platform plugin, a
# Japanese font for the captions, and what the demo site is served with.
run=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-qpa-plugins
    qt6-translations-l10n
    libcurl4-openssl-dev
    fonts-ipafont-gothic
    python3 curl
)
# A Wayland session may have no X server at all (no Xwayland); Qt then
# needs its Wayland platform plugin.
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    run+=(qt6-wayland)
fi
# CPack reads the binary's library dependencies with file and dpkg-shlibdeps.
package=(file dpkg-dev)
# The sanitizers' build and the fuzz targets: clang, libFuzzer and the
# runtimes of AddressSanitizer and UBSan.
fuzz=(clang libclang-rt-14-dev)
# The tests: servers and a proxy, an X session driven by xdotool, a
# headless Wayland compositor and Qt's Wayland plugin for the installed
# program's start there, the accessibility bus and its Python client, the
# validators the package is checked with, and the benchmarks' tools.
test=(
    nginx-light tinyproxy wget time
    xvfb xdotool openbox x11-utils imagemagick
    weston qt6-wayland
    dbus at-spi2-core python3-pyatspi
    desktop-file-utils appstream lintian
)

case "$purpose" in
run) packages=("${run[@]}") ;;
package) packages=("${run[@]}" "${package[@]}") ;;
fuzz) packages=("${run[@]}" "${fuzz[@]}") ;;
test) packages=("${run[@]}" "${package[@]}" "${fuzz[@]}" "${test[@]}") ;;
*)
    echo "usage: $0 [run|package|fuzz|test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

# Recommended packages are left out for a first start: Qt's would bring a
# whole GTK stack for a theme plugin that Seqget's window does not need, and
# the first start has to be quick. The tests keep Debian's usual choice.
recommends=()
[ "$purpose" = test ] || recommends=(--no-install-recommends)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${recommends[@]}" "${missing[@]}" >/dev/null
