#!/usr/bin/env bash
# Cross-builds Seqget for 64-bit Windows with MinGW-w64, against Qt and libcurl
# built from Debian's own source packages (the versions the Linux build uses).
#   scripts/windows-build.sh toolchain  installs the cross tools and builds Qt
#                                       and libcurl into the cache (long, once)
#   scripts/windows-build.sh app        cross-builds this tree into build-windows/
#                                       (or $SEQGET_WINDOWS_BUILD_DIR) and packs
#                                       Seqget-<file version>-win64.zip and
#                                       Seqget-<file version>-win64-setup.exe there
#                                       (signed when SEQGET_SIGN_PFX names a
#                                       PKCS#12 certificate, its password in
#                                       SEQGET_SIGN_PASSWORD)
#   scripts/windows-build.sh test       runs the unit tests there through Wine,
#                                       then the zip and the installer end to
#                                       end (tests/windows)
#   scripts/windows-build.sh run [PNG]  starts the built Seqget.exe under Wine
#                                       and Xvfb and saves a screenshot
#   scripts/windows-build.sh            toolchain, app, then test
# The cache lives outside the tree, in ${SEQGET_WINDOWS_CACHE:-/var/cache/seqget-windows};
# each component has a stamp holding its version and configure line, and is
# rebuilt only when that changes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${SEQGET_WINDOWS_CACHE:-/var/cache/seqget-windows}"
export SEQGET_WINDOWS_CACHE="$cache"
build="${SEQGET_WINDOWS_BUILD_DIR:-$root/build-windows}"
jobs="${SEQGET_WINDOWS_JOBS:-$(nproc)}"
compilers="$root/scripts/windows/compilers.cmake"

log() { printf '[%(%H:%M:%S)T] %s\n' -1 "$*"; }

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local wanted=(
        g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
        cmake ninja-build dpkg-dev perl python3
        # The host tools (moc, rcc, uic) and the target version are Debian's Qt.
        qt6-base-dev qt6-base-dev-tools
        # qtbase_ja.qm: the .qm catalogues are the same bytes on every platform.
        qt6-translations-l10n
        # Wine's LGPL wintab.h and pktdef.h, which Debian's repacked qtbase lacks.
        libwine-dev
        wine wine64 xvfb xauth imagemagick fonts-ipafont-gothic
        # The installer (makensis), reading and packing icons and resources
        # (icotool, wrestool), and Authenticode signatures.
        nsis icoutils osslsigncode
    )
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ! -e /etc/apt/sources.list.d/seqget-deb-src.sources ]; then
        # The sources of the very packages the Linux build links: the same
        # mirrors and suites as the binary lines (curl's fixes come from the
        # security suite), as source lines.
        {
            f=/etc/apt/sources.list.d/debian.sources
            [ ! -e "$f" ] || sed -E 's/^Types:.*/Types: deb-src/' "$f"
        } | as_root tee /etc/apt/sources.list.d/seqget-deb-src.sources >/dev/null
        grep -hE '^deb[[:space:]]' /etc/apt/sources.list 2>/dev/null |
            sed -E 's/^deb[[:space:]]/deb-src /' |
            as_root tee /etc/apt/sources.list.d/seqget-deb-src.list >/dev/null || true
        as_root apt-get update -q
    fi
    if [ "${#missing[@]}" -gt 0 ]; then
        log "installing ${missing[*]}"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# The source version apt would fetch for a source package, e.g. 6.4.2+dfsg-10.
source_version() {
    apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -V | tail -n1
}

# Unpacks a source package (Debian's patches applied) into $cache/src, once per version.
fetch_source() {
    local package="$1" version="$2" dir="$cache/src/$1-$2"
    if [ ! -e "$dir/.unpacked" ]; then
        rm -rf "$dir" && mkdir -p "$dir"
        (cd "$dir" && apt-get source -q "$package=$version" >&2)
        touch "$dir/.unpacked"
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1
}

# True when the component's stamp records exactly this description.
up_to_date() {
    [ -e "$cache/stamps/$1" ] && [ "$(cat "$cache/stamps/$1")" = "$2" ]
}

# A component's configure line and the compilers file's contents; the tree's
# own location is left out, so every worktree shares one cache.
describe() {
    local line="$*"
    printf '%s\n%s' "${line//$root\//}" "$(cat "$compilers")"
}

# True when the component's build tree was configured with exactly this description.
configured() {
    [ -e "$cache/build/$1/.configured" ] && [ "$(cat "$cache/build/$1/.configured")" = "$2" ]
}

stamp() {
    mkdir -p "$cache/stamps"
    printf '%s' "$2" >"$cache/stamps/$1"
}

build_qt() {
    local version src
    version="$(source_version qt6-base)"
    local args=(
        -prefix "$cache/qt6" -release -shared
        -xplatform win32-g++ -qt-host-path /usr
        -nomake examples -nomake tests
        -no-opengl -no-dbus -no-icu -no-openssl -no-pkg-config
        -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-harfbuzz -qt-doubleconversion
        -no-feature-sql -no-feature-printsupport -no-feature-vulkan -no-feature-direct2d
        # MinGW's Gui leaves the DirectWrite 3 font database out while the
        # windows plugin still asks for it; GDI fonts serve the window.
        -no-feature-directwrite3
        --
        -G Ninja
        -DCMAKE_TOOLCHAIN_FILE="$compilers"
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    )
    local description
    description="qt6-base $version $(describe "${args[@]}")"
    if up_to_date qt6 "$description"; then
        log "Qt $version: up to date"
        return
    fi
    src="$(fetch_source qt6-base "$version")"
    # The tablet support of the windows platform plugin includes these two headers.
    mkdir -p "$src/src/3rdparty/wintab"
    # Wine's header names its A/W types through Wine's own macros, which
    # MinGW-w64 lacks, and Qt calls the calling convention API, as its own
    # copy of the header did: a few lines in front supply both.
    {
        printf '%s\n' '#include <windows.h>' '#ifndef API' '#define API WINAPI' '#endif' \
            '#ifndef WINELIB_NAME_AW' '#ifdef UNICODE' '#define WINELIB_NAME_AW(x) x##W' \
            '#else' '#define WINELIB_NAME_AW(x) x##A' '#endif' \
            '#define DECL_WINELIB_TYPE_AW(t) typedef WINELIB_NAME_AW(t) t;' '#endif'
        cat /usr/include/wine/wine/windows/wintab.h
    } >"$src/src/3rdparty/wintab/wintab.h"
    cp /usr/include/wine/wine/windows/pktdef.h "$src/src/3rdparty/wintab/"
    local start=$SECONDS
    # An interrupted build with the same configure line resumes where it stopped.
    if ! configured qt6 "$description"; then
        rm -rf "$cache/build/qt6" "$cache/qt6"
        mkdir -p "$cache/build/qt6"
        log "Qt $version: configure ${args[*]}"
        (cd "$cache/build/qt6" && "$src/configure" "${args[@]}")
        printf '%s' "$description" >"$cache/build/qt6/.configured"
        log "Qt: configured in $((SECONDS - start)) s"
    fi
    start=$SECONDS
    cmake --build "$cache/build/qt6" --parallel "$jobs"
    log "Qt: built in $((SECONDS - start)) s"
    cmake --install "$cache/build/qt6" >/dev/null
    install_translations
    stamp qt6 "$description"
}

# Qt on Windows looks for its catalogues in <prefix>/translations.
install_translations() {
    mkdir -p "$cache/qt6/translations"
    cp /usr/share/qt6/translations/qtbase_ja.qm "$cache/qt6/translations/"
}

build_curl() {
    local version src
    version="$(source_version curl)"
    local args=(
        -G Ninja
        -DCMAKE_TOOLCHAIN_FILE="$compilers"
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_INSTALL_PREFIX="$cache/curl"
        -DBUILD_SHARED_LIBS=ON -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF
        # TLS from Windows itself, so the DLL needs no OpenSSL beside it.
        -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF
        -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none
        -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF
        -DUSE_LIBIDN2=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_DISABLE_LDAP=ON
    )
    local description
    description="curl $version $(describe "${args[@]}")"
    # curl's CMake forgets "none" when it configures itself again (after a
    # change to its inputs) and then builds this machine's CA bundle path in;
    # such a build is done afresh.
    local ca_built_in=false
    ! grep -qs '^#define CURL_CA_BUNDLE' "$cache/build/curl/lib/curl_config.h" || ca_built_in=true
    if up_to_date curl "$description" && ! $ca_built_in; then
        log "libcurl $version: up to date"
        return
    fi
    src="$(fetch_source curl "$version")"
    local start=$SECONDS
    if ! configured curl "$description" || $ca_built_in; then
        rm -rf "$cache/build/curl" "$cache/curl"
        log "libcurl $version: cmake ${args[*]}"
        cmake -S "$src" -B "$cache/build/curl" "${args[@]}" >/dev/null
        printf '%s' "$description" >"$cache/build/curl/.configured"
    fi
    cmake --build "$cache/build/curl" --parallel "$jobs"
    cmake --install "$cache/build/curl" >/dev/null
    log "libcurl: configured and built in $((SECONDS - start)) s"
    stamp curl "$description"
}

toolchain() {
    install_packages
    mkdir -p "$cache"
    # Two builds in one tree would overwrite each other's objects.
    exec 8>"$cache/.lock"
    if ! flock -n 8; then
        echo "another toolchain build is running in $cache" >&2
        exit 1
    fi
    build_curl
    build_qt
    # The translations are copied again in case Debian's package was updated.
    install_translations
    log "cache: $(du -sh --exclude=build --exclude=src "$cache" | cut -f1) installed," \
        "$(du -sh "$cache" | cut -f1) with sources and build trees"
}

app() {
    local tests="${SEQGET_WINDOWS_TESTS:-ON}"
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DSEQGET_WERROR="${SEQGET_WINDOWS_WERROR:-OFF}" \
        -DSEQGET_BUILD_TESTS="$tests" -DSEQGET_BUILD_BENCH=OFF
    cmake --build "$build" --parallel "$jobs"
    python3 "$root/scripts/windows/pack.py" "$root" "$build" "$cache" "$build"
    python3 "$root/scripts/windows/installer.py" "$root" "$build"
}

# The unit tests, cross-built with the program, run one by one through Wine;
# the program file's manifest, icon and version record; then the zip as a
# user unpacks it and the installer as a user runs it, driven in a real X
# session; last, a build signed with a throwaway certificate.
tests() {
    (cd "$build" && ctest --output-on-failure --timeout 300)
    local zip
    zip="$(ls "$build"/Seqget-*-win64.zip)"
    bash "$root/tests/windows/resources.sh" "$zip"
    bash "$root/tests/windows/wine-e2e.sh" "$zip" "$build/wine-e2e"
    bash "$root/tests/windows/wine-installer.sh" "$(ls "$build"/Seqget-*-win64-setup.exe)" "$zip" \
        "$build/wine-installer"
    bash "$root/tests/windows/signing.sh" "$build"
}

run() {
    local out="${1:-$build/screenshot.png}"
    local wine="$root/scripts/windows/wine-run.sh"
    export WINEPREFIX="$cache/wineprefix"
    xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
        "$1" "$2" &
        pid=$!
        sleep "${SEQGET_WINDOWS_WAIT:-20}"
        import -window root "$3"
        kill "$pid" 2>/dev/null || true
        wineserver -k || true
        wait
    ' run "$wine" "$build/Seqget.exe" "$out"
    log "screenshot: $out"
}

case "${1:-all}" in
toolchain) toolchain ;;
app) app ;;
test) tests ;;
run) run "${2:-}" ;;
all) toolchain && app && tests ;;
*)
    sed -n '2,21p' "$0" >&2
    exit 2
    ;;
esac
